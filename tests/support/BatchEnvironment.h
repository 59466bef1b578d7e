// SPDX-License-Identifier: MIT
// What the tests share to run the batch in their own process: the
// process-wide folders pointed at a test folder, and a listing of a folder
// tree to prove nothing was written where it must not be.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/RecordingBatchHost.h"
#include "tests/support/ScriptedApplication.h"

namespace vorlan::test {

namespace fs = std::filesystem;

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
