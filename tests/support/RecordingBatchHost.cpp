// SPDX-License-Identifier: MIT
// The tests' recording batch host.
#include "tests/support/RecordingBatchHost.h"

#include "midlet/BatchDriver.h"

namespace vorlan::test {

RecordingBatchHost::RecordingBatchHost() {
    zip.LibraryDir = VORLAN_BIN_DIR;
    zip.ShowProgressDialog = false;
}

void RecordingBatchHost::SetFileChecked(int index, bool isChecked) {
    checkCalls.emplace_back(index, isChecked);
    const auto at = static_cast<std::size_t>(index);
    if (checked.size() <= at) checked.resize(at + 1, -1);
    checked[at] = isChecked ? 1 : 0;
}

void RecordingBatchHost::EntryFinished(int index, bool succeeded, const std::string& failure) {
    const auto at = static_cast<std::size_t>(index);
    if (failures.size() <= at) failures.resize(at + 1);
    failures[at] = succeeded ? std::string() : failure;
}

void RecordingBatchHost::EntryWarning(int index, const std::string& text) {
    const auto at = static_cast<std::size_t>(index);
    if (warnings.size() <= at) warnings.resize(at + 1);
    warnings[at].push_back(text);
}

void RecordingBatchHost::EntryApisAdded(int index, const std::vector<std::string>& archives) {
    const auto at = static_cast<std::size_t>(index);
    if (apisAdded.size() <= at) apisAdded.resize(at + 1);
    apisAdded[at] = archives;
}

void RecordingBatchHost::EntryDescribed(int index, const SuiteFacts& described) {
    const auto at = static_cast<std::size_t>(index);
    if (facts.size() <= at) facts.resize(at + 1);
    facts[at] = described;
}

void RecordingBatchHost::ApiExtractionFailed(const std::string& archive, const std::string& failure) {
    apiFailures.push_back(archive + ": " + failure);
}

void RecordingBatchHost::ApiEntryLeftOut(const std::string& archive, const std::string& why) {
    apiEntriesLeftOut.push_back(archive + ": " + why);
}

void RecordingBatchHost::ShowBatchFinished(const std::string& text, const std::string& caption) {
    finishedBoxes.push_back(text + "|" + caption);
}

void RecordingBatchHost::CheckApis(std::vector<std::string> names) {
    apis = std::move(names);
    checkedApis = std::set<std::string>(apis.begin(), apis.end());
}

void RecordingBatchHost::Run(const std::vector<fs::path>& entries) {
    files.clear();
    for (const fs::path& entry : entries) files.push_back(entry.string());
    checked.clear();
    checkCalls.clear();
    failures.clear();
    warnings.clear();
    apisAdded.clear();
    facts.clear();
    positions.clear();
    const fs::path directory = fs::current_path();
    RunBatch(*this);
    warnings.resize(files.size());  // an entry without warnings has an empty list
    fs::current_path(directory);
}

}  // namespace vorlan::test
