// SPDX-License-Identifier: MIT
// What the batch tests share: a fixture that gives every test its own scratch
// root, API folder and suites folder, the real engines, a scripted
// application object and the recording batch host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/BatchEnvironment.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override;

    // A suite file in the suites folder, packed with tool from files.
    fs::path MakeJar(const std::string& tool, const std::string& name, const Files& files);
    fs::path MakeApi(const std::string& tool, const std::string& name, const Files& files);
    fs::path Suite(const std::string& name) const { return suites_ / name; }

    void RunOn(const std::vector<fs::path>& entries);
    // Files of the suites folder, to see that nothing was left behind.
    std::vector<std::string> SuitesFolderListing() const { return TreeBelow(suites_); }
    bool ScratchFolderExists() const;

    TempDir work_;
    BatchEnvironment environment_{work_.path()};
    ScriptedApplication& app_ = environment_.app();
    fs::path suites_ = work_ / "suites";
    RecordingBatchHost host_;
};

// A manifest of a suite named name with its first midlet main.
std::string SuiteManifest(const std::string& name, const std::string& version = "1.0.2");

}  // namespace vorlan::test
