// The batch tests' host and fixture.
#include "tests/midlet/BatchFixture.h"

#include <algorithm>
#include <sstream>

#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"

namespace vorlan::test {

TestBatchHost::TestBatchHost() {
    zip.LibraryDir = VORLAN_BIN_DIR;
    zip.ShowProgressDialog = false;
}

void TestBatchHost::SetFileChecked(int index, bool isChecked) {
    checkCalls.emplace_back(index, isChecked);
    const auto at = static_cast<std::size_t>(index);
    if (checked.size() <= at) checked.resize(at + 1, -1);
    checked[at] = isChecked ? 1 : 0;
}

void TestBatchHost::EntryFinished(int index, bool succeeded, const std::string& failure) {
    const auto at = static_cast<std::size_t>(index);
    if (failures.size() <= at) failures.resize(at + 1);
    failures[at] = succeeded ? std::string() : failure;
}

void TestBatchHost::ApiExtractionFailed(const std::string& archive, const std::string& failure) {
    apiFailures.push_back(archive + ": " + failure);
}

void TestBatchHost::ApiEntryLeftOut(const std::string& archive, const std::string& why) {
    apiEntriesLeftOut.push_back(archive + ": " + why);
}

void TestBatchHost::ShowBatchFinished(const std::string& text, const std::string& caption) {
    finishedBoxes.push_back(text + "|" + caption);
}

void TestBatchHost::CheckApis(std::vector<std::string> names) {
    apis = std::move(names);
    apiChecked.assign(apis.size(), true);
}

void BatchTest::SetUp() {
    previousDirectory_ = fs::current_path();
    SetApp(&app_);
    app_.SetTitle("Vorlan");
    fs::create_directories(work_ / "scratch");
    fs::create_directories(work_ / "API");
    suites_ = work_ / "suites";
    fs::create_directories(suites_);
    ScratchRoot = (work_ / "scratch").string() + "/";
    ApiFolder = (work_ / "API").string() + "/";
    FixTemplatePath = std::string(VORLAN_SOURCE_DIR) + "/data/fix.jar";
    ManifestBuffer = std::make_unique<TextLines>();
}

void BatchTest::TearDown() {
    // The archive component changes the current directory; give it back.
    fs::current_path(previousDirectory_);
    SetApp(nullptr);
}

fs::path BatchTest::MakeJar(const std::string& tool, const std::string& name, const Files& files) {
    PackWith(tool, files, suites_ / name);
    return suites_ / name;
}

fs::path BatchTest::MakeApi(const std::string& tool, const std::string& name, const Files& files) {
    PackWith(tool, files, work_ / "API" / name);
    return work_ / "API" / name;
}

void BatchTest::RunOn(const std::vector<fs::path>& entries) {
    host_.files.clear();
    for (const fs::path& entry : entries) host_.files.push_back(entry.string());
    host_.checkCalls.clear();
    host_.positions.clear();
    RunBatch(host_);
    // The archive component left the current directory in the scratch folder,
    // which is gone now; Java and the tools the checks run need a real one.
    fs::current_path(previousDirectory_);
}

std::vector<std::string> BatchTest::Names(const fs::path& jar) {
    const CommandResult listing = RunCommand({"unzip", "-Z1", jar.string()});
    std::vector<std::string> names;
    std::istringstream in(listing.output);
    for (std::string line; std::getline(in, line);) names.push_back(line);
    return names;
}

std::string BatchTest::Entry(const fs::path& jar, const std::string& name) {
    const CommandResult content = RunCommand({"unzip", "-p", jar.string(), name});
    if (content.status != 0) throw std::runtime_error("no entry " + name + " in " + jar.string());
    return content.output;
}

std::vector<std::string> BatchTest::SuitesFolderListing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(suites_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool BatchTest::ScratchFolderExists() const {
    return fs::exists(work_ / "scratch" / "vorlan");
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string SuiteManifest(const std::string& name, const std::string& version) {
    return CrLfLines({"Manifest-Version: 1.0", "MIDlet-Name: " + name, "MIDlet-Version: " + version,
                      "MIDlet-1: " + name + ", /i.png, " + name + ".Main", ""});
}

}  // namespace vorlan::test
