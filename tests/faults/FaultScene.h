// SPDX-License-Identifier: MIT
// The scene of a fault trial: a folder of suites and an API archive made once,
// copied afresh for every trial, the state an undisturbed vorlan-batch run
// leaves, and the checks every disturbed run must pass against both.
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace vorlan::test {

namespace fs = std::filesystem;

// The regular files of a folder, by name, with their bytes.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const fs::path& folder);

// Mode 0 adding an API archive, mode 1, and mode 0 writing descriptors only
// (each suite's JAR left as it is).
enum class SceneMode { GenerateJad = 0, BuildFix = 1, DescriptorsOnly = 2 };
inline const char* SceneName(SceneMode mode) {
    return mode == SceneMode::GenerateJad ? "GenerateJad"
           : mode == SceneMode::BuildFix  ? "BuildFix"
                                          : "DescriptorsOnly";
}
inline void PrintTo(SceneMode mode, std::ostream* out) {
    *out << SceneName(mode);
}

class FaultScene {
public:
    // Makes the pristine suites below root: for mode 0 three JARs (one with
    // its descriptor) and an API archive, for mode 1 two JARs (one with its
    // descriptor) and a descriptor without its JAR. jobs is
    // vorlan-batch's --jobs: the number of worker processes sharing the list.
    FaultScene(const fs::path& root, SceneMode mode, int jobs = 1);

    // Copies the pristine suites into a fresh folder and runs vorlan-batch
    // over them with the given options (its own runtime folder for the
    // scratch root added). The folder stays for the checks.
    ChildResult Run(const fs::path& folder, ChildOptions options) const;
    // Runs again, undisturbed, over what a trial left in folder.
    ChildResult RunAgain(const fs::path& folder) const;
    // Runs undisturbed under strace, which writes the system calls that
    // change or flush files (descriptors shown with their paths) to trace.
    ChildResult RunTraced(const fs::path& folder, const fs::path& trace) const;
    // Runs over one JAR in folder that the run reads and leaves as it is (it
    // has no manifest; it is removed again afterwards): all the run does
    // there is what it does first in every folder it works in.
    ChildResult RunInFolderOnly(const fs::path& folder) const;

    const Snapshot& before() const { return before_; }
    const Snapshot& after() const { return after_; }  // of an undisturbed run

    // What a disturbed run may leave: every file as it was or as the
    // undisturbed run leaves it (a fix suite's JAR: a complete, valid fix),
    // no file lost, a new descriptor only beside its new JAR. When the run
    // reported the API archive left out, the JARs got what was extracted of
    // it: any valid JAR with its descriptor will do. Files named in neither
    // snapshot are returned: what the run left behind.
    std::vector<std::string> CheckBeforeOrAfter(const fs::path& folder, const ChildResult& run);
    // Whether bytes are a whole file the undisturbed run writes: what a
    // file left between its naming and its renaming must be.
    bool IsCompleteResult(const std::string& bytes);
    // What a complete run leaves (a rerun too).
    void CheckComplete(const fs::path& folder);
    // Every descriptor beside a JAR states that JAR's size.
    void CheckSuitesAgree(const fs::path& folder) const;

    SceneMode mode() const { return mode_; }
    int jobs() const { return jobs_; }

private:
    std::vector<std::string> Arguments(const fs::path& folder) const;
    void CheckFile(const std::string& name, const std::string& bytes, bool apiLeftOut);
    void CheckDescriptors(const Snapshot& now) const;
    bool IsValidJar(const std::string& bytes);

    fs::path root_;
    SceneMode mode_;
    int jobs_;
    Snapshot before_;
    Snapshot after_;
    // Contents (times aside) already read back by unzip and Java, with the
    // verdict: each read starts a Java VM, the larger part of a trial's cost.
    std::map<std::string, bool> jarVerdicts_;
};

}  // namespace vorlan::test
