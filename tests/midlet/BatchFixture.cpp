// SPDX-License-Identifier: MIT
// The batch tests' fixture.
#include "tests/midlet/BatchFixture.h"

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

bool BatchTest::ScratchFolderExists() const {
    return fs::exists(work_ / "scratch" / "vorlan");
}

std::string SuiteManifest(const std::string& name, const std::string& version) {
    return CrLfLines({"Manifest-Version: 1.0", "MIDlet-Name: " + name, "MIDlet-Version: " + version,
                      "MIDlet-1: " + name + ", /i.png, " + name + ".Main", ""});
}

}  // namespace vorlan::test
