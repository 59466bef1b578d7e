// SPDX-License-Identifier: MIT
// The batch tests' fixture.
#include "tests/midlet/BatchFixture.h"

#include <algorithm>
#include <sstream>

namespace vorlan::test {

void BatchTest::SetUp() {
    fs::create_directories(suites_);
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
    host_.Run(entries);
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
