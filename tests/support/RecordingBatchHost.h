// SPDX-License-Identifier: MIT
// The tests' batch host: the lists the batch reads are the test's to fill,
// and every check mark, failure, progress step and message the batch gives is
// recorded for the test to look at.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "midlet/BatchHost.h"
#include "midlet/SuiteFacts.h"
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
    bool repair = false;
    bool strict = false;
    std::string manifestCharset;
    std::string profile = "MIDP-2.0";
    // Runs just before each entry's step, as the user's clicks are taken
    // between entries.
    std::function<void(int index)> beforeEntry;
    ApiChooser* chooser = nullptr;  // --api auto when set

    // What the batch did.
    std::vector<int> checked;                        // per entry: 1 checked, 0 not, -1 never set
    std::vector<std::pair<int, bool>> checkCalls;    // every SetFileChecked, in order
    std::vector<std::string> failures;               // per entry: why it failed, empty when it succeeded
    std::vector<std::vector<std::string>> warnings;  // per entry: its warnings, in the order given
    // Per entry: the archives --api auto added.
    std::vector<std::vector<std::string>> apisAdded;
    std::vector<SuiteFacts> facts;  // per entry: what EntryDescribed told
    std::vector<int> positions;
    int progressMax = -1;
    std::vector<std::string> apiFailures;        // "archive: failure"
    std::vector<std::string> apiEntriesLeftOut;  // "archive: why"
    std::vector<std::string> finishedBoxes;      // "text|caption"
    bool running = false;
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
    ApiChooser* ApiAuto() override { return chooser; }
    BatchMode Mode() override { return mode; }
    std::string FixVersion() override { return fixVersion; }
    bool RepairWanted() override { return repair; }
    bool StrictWanted() override { return strict; }
    std::string ManifestCharset() override { return manifestCharset; }
    std::string DeviceProfile() override { return profile; }
    void SetProgressMax(int max) override { progressMax = max; }
    void SetProgressPosition(int position) override { positions.push_back(position); }
    TZip& Zip() override { return zip; }
    void BatchStarted() override { running = true; }
    void BatchEnded() override { running = false; }
    void EntryFinished(int index, bool succeeded, const std::string& failure) override;
    void EntryWarning(int index, const std::string& text) override;
    void EntryApisAdded(int index, const std::vector<std::string>& archives) override;
    void EntryDescribed(int index, const SuiteFacts& described) override;
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override;
    void ApiEntryLeftOut(const std::string& archive, const std::string& why) override;
    void ShowBatchFinished(const std::string& text, const std::string& caption) override;

    // Every API archive of the list, checked.
    void CheckApis(std::vector<std::string> names);

    // Runs the batch over entries, the records of a previous run cleared,
    // and gives the current directory back (the archive component leaves it
    // in the scratch folder, which is gone then).
    void Run(const std::vector<fs::path>& entries);
};

}  // namespace vorlan::test
