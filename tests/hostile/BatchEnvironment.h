// What the hostile-input, fault and stress tests share to run the batch in
// their own process: a host whose lists the test fills and whose check marks
// and failures it records, the process-wide folders pointed at a test folder,
// and a listing of a folder tree to prove nothing was written where it must
// not be.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "midlet/BatchHost.h"
#include "platform/ScriptedApplication.h"
#include "zip/TZip.h"

namespace vorlan::test {

namespace fs = std::filesystem;

class RecordingBatchHost : public BatchHost {
public:
    RecordingBatchHost();

    std::vector<std::string> files;
    std::vector<std::string> apis;  // the catalogue, in its order
    std::set<std::string> checkedApis;
    BatchMode mode = BatchMode::GenerateJad;
    std::string fixVersion = "9.9.9";
    std::function<void(int index)> beforeEntry;  // runs just before each entry's step

    std::vector<int> checked;           // per entry: 1 checked, 0 not, -1 never set
    std::vector<std::string> failures;  // per entry: why it failed, empty when it succeeded
    std::vector<std::string> apiFailures;
    int finishedBoxes = 0;
    TZip zip;

    int FileCount() override { return static_cast<int>(files.size()); }
    std::string FileAt(int index) override { return files.at(static_cast<std::size_t>(index)); }
    bool EntryWanted(int index) override {
        if (beforeEntry) beforeEntry(index);
        return true;
    }
    void SetFileChecked(int index, bool isChecked) override;
    int ApiCount() override { return static_cast<int>(apis.size()); }
    std::string ApiAt(int index) override { return apis.at(static_cast<std::size_t>(index)); }
    bool ApiChecked(int index) override { return checkedApis.count(ApiAt(index)) != 0; }
    int Mode() override { return static_cast<int>(mode); }
    std::string FixVersion() override { return fixVersion; }
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    TZip& Zip() override { return zip; }
    void EntryFinished(int index, bool succeeded, const std::string& failure) override;
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override;
    void ShowBatchFinished(const std::string&, const std::string&) override { ++finishedBoxes; }

    // Runs the batch over files and gives the current directory back (the
    // archive component leaves it in the scratch folder, which is gone then).
    void Run(const std::vector<fs::path>& entries);
};

// Points the batch's process-wide state at folders below root: the scratch
// root root/scratch/, the API folder root/API/, the fix template of the
// source tree; installs a scripted application object that answers every
// question with its default button. Undone when the object goes.
class BatchEnvironment {
public:
    explicit BatchEnvironment(const fs::path& root);
    ~BatchEnvironment();
    BatchEnvironment(const BatchEnvironment&) = delete;
    BatchEnvironment& operator=(const BatchEnvironment&) = delete;

    fs::path scratchRoot() const { return root_ / "scratch"; }
    fs::path apiFolder() const { return root_ / "API"; }
    ScriptedApplication& app() { return app_; }

private:
    fs::path root_;
    fs::path previousDirectory_;
    ScriptedApplication app_;
};

// Every file and folder below root, relative, folders ending in "/", sorted.
// Links are listed, never followed ("name -> target").
std::vector<std::string> TreeBelow(const fs::path& root);

}  // namespace vorlan::test
