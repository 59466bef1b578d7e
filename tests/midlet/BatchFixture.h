// What the batch tests share: a BatchHost whose lists the test fills and whose
// check marks, progress and messages it records, and a fixture that gives
// every test its own scratch root, API folder and suites folder, the real
// engines and a scripted application object.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "midlet/BatchHost.h"
#include "platform/ScriptedApplication.h"
#include "tests/support/TestTools.h"
#include "zip/TZip.h"

namespace vorlan::test {

class TestBatchHost : public BatchHost {
public:
    std::vector<std::string> files;
    std::vector<std::string> apis;
    std::vector<bool> apiChecked;
    int mode = 0;
    std::string fixVersion = "9.9.9";
    // Called just before each entry's step, as the user's clicks are taken
    // between entries.
    std::function<void(int index)> beforeEntry;

    // What the batch did.
    std::vector<int> checked;                      // per entry: -1 never set, 0 unchecked, 1 checked
    std::vector<std::pair<int, bool>> checkCalls;  // every SetFileChecked, in order
    std::vector<std::string> failures;             // per entry, the reason it failed
    std::vector<int> positions;
    int progressMax = -1;
    std::vector<std::string> apiFailures;
    std::vector<std::string> apiEntriesLeftOut;  // "archive: why"
    std::vector<std::string> finishedBoxes;      // "text|caption"
    bool running = false;
    TZip zip;

    TestBatchHost();
    int FileCount() override { return static_cast<int>(files.size()); }
    std::string FileAt(int index) override { return files.at(static_cast<std::size_t>(index)); }
    bool EntryWanted(int index) override {
        if (beforeEntry) beforeEntry(index);
        return true;
    }
    void SetFileChecked(int index, bool isChecked) override;
    int ApiCount() override { return static_cast<int>(apis.size()); }
    std::string ApiAt(int index) override { return apis.at(static_cast<std::size_t>(index)); }
    bool ApiChecked(int index) override { return apiChecked.at(static_cast<std::size_t>(index)); }
    int Mode() override { return mode; }
    std::string FixVersion() override { return fixVersion; }
    void SetProgressMax(int max) override { progressMax = max; }
    void SetProgressPosition(int position) override { positions.push_back(position); }
    TZip& Zip() override { return zip; }
    void BatchStarted() override { running = true; }
    void BatchEnded() override { running = false; }
    void EntryFinished(int index, bool succeeded, const std::string& failure) override;
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override;
    void ApiEntryLeftOut(const std::string& archive, const std::string& why) override;
    void ShowBatchFinished(const std::string& text, const std::string& caption) override;

    // Every API archive of the list, checked.
    void CheckApis(std::vector<std::string> names);
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A suite file in the suites folder, packed with tool from files.
    fs::path MakeJar(const std::string& tool, const std::string& name, const Files& files);
    fs::path MakeApi(const std::string& tool, const std::string& name, const Files& files);
    fs::path Suite(const std::string& name) const { return suites_ / name; }

    void RunOn(const std::vector<fs::path>& entries);
    std::vector<std::string> Names(const fs::path& jar);              // entry names in archive order
    std::string Entry(const fs::path& jar, const std::string& name);  // its content
    // Entries of the suites folder, to see that nothing was left behind.
    std::vector<std::string> SuitesFolderListing() const;
    bool ScratchFolderExists() const;

    TempDir work_;
    fs::path suites_;
    ScriptedApplication app_;
    TestBatchHost host_;

private:
    fs::path previousDirectory_;
};

// Manifest text: every line followed by CR LF.
std::string CrLfLines(const std::vector<std::string>& lines);

// A manifest of a suite named name with its first midlet main.
std::string SuiteManifest(const std::string& name, const std::string& version = "1.0.2");

}  // namespace vorlan::test
