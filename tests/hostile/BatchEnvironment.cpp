// The in-process batch host and environment of the hostile, fault and stress tests.
#include "tests/hostile/BatchEnvironment.h"

#include <algorithm>

#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"

namespace vorlan::test {

RecordingBatchHost::RecordingBatchHost() {
    zip.LibraryDir = VORLAN_BIN_DIR;
    zip.ShowProgressDialog = false;
}

void RecordingBatchHost::SetFileChecked(int index, bool isChecked) {
    const auto at = static_cast<std::size_t>(index);
    if (checked.size() <= at) checked.resize(at + 1, -1);
    checked[at] = isChecked ? 1 : 0;
}

void RecordingBatchHost::EntryFinished(int index, bool succeeded, const std::string& failure) {
    const auto at = static_cast<std::size_t>(index);
    if (failures.size() <= at) failures.resize(at + 1);
    failures[at] = succeeded ? std::string() : failure;
}

void RecordingBatchHost::ApiExtractionFailed(const std::string& archive, const std::string& failure) {
    apiFailures.push_back(archive + ": " + failure);
}

void RecordingBatchHost::Run(const std::vector<fs::path>& entries) {
    files.clear();
    for (const fs::path& entry : entries) files.push_back(entry.string());
    checked.clear();
    failures.clear();
    const fs::path directory = fs::current_path();
    RunBatch(*this);
    fs::current_path(directory);
}

BatchEnvironment::BatchEnvironment(const fs::path& root) : root_(root), previousDirectory_(fs::current_path()) {
    fs::create_directories(scratchRoot());
    fs::create_directories(apiFolder());
    app_.SetTitle("Vorlan");
    SetApp(&app_);
    ScratchRoot = scratchRoot().string() + "/";
    ApiFolder = apiFolder().string() + "/";
    FixTemplatePath = std::string(VORLAN_SOURCE_DIR) + "/data/fix.jar";
    ManifestBuffer = std::make_unique<TextLines>();
}

BatchEnvironment::~BatchEnvironment() {
    std::error_code ignored;  // the folder it started in may be gone with a failed test's files
    fs::current_path(previousDirectory_, ignored);
    SetApp(nullptr);
}

std::vector<std::string> TreeBelow(const fs::path& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            name += " -> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            name += "/";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vorlan::test
