// SPDX-License-Identifier: MIT
// vorlan-batch disturbed at every point where it changes a file: a write,
// flush, rename or link that fails as on a full disk, a SIGKILL just before
// or just after one of them, and a file-size limit that ends writes early.
// After each trial every suite is as it was or complete, no file is lost, and
// a run after a killed one completes as an undisturbed run does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

#include "tests/faults/FaultScene.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

constexpr int kKilled = 9;

ChildOptions Shimmed(const std::string& mode, long at) {
    ChildOptions options;
    options.environment["LD_PRELOAD"] = FAULT_SHIM;
    options.environment["VORLAN_FAULT_MODE"] = mode;
    options.environment["VORLAN_FAULT_AT"] = std::to_string(at);
    // The shim comes before the sanitizer's runtime in a sanitized build.
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment["ASAN_OPTIONS"] = std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
    return options;
}

// The fault points a campaign tries among 1..points: every one, or with
// VORLAN_FAULT_STRIDE=N every Nth from `first` and the last one (test.sh's
// sanitizer run, where a trial costs several times as much and the normal run
// has tried them all). Campaigns start at different points, so that between
// them they still reach most points.
std::vector<long> FaultPointsTried(long points, long first) {
    const char* setting = std::getenv("VORLAN_FAULT_STRIDE");
    const long stride = std::max(1L, setting != nullptr ? std::atol(setting) : 1L);
    std::vector<long> tried;
    if (points < 1) return tried;
    for (long at = stride == 1 ? 1 : std::min(first, points); at <= points; at += stride) tried.push_back(at);
    if (tried.back() != points) tried.push_back(points);
    return tried;
}

std::string Describe(const ChildResult& result) {
    return "exit " + std::to_string(result.status) + ", signal " + std::to_string(result.signal) + "\n" +
           result.output + result.errors;
}

struct TrialSetup {
    SceneMode mode;
    int jobs;  // worker processes
};

void PrintTo(const TrialSetup& setup, std::ostream* out) {
    PrintTo(setup.mode, out);
    *out << ", " << setup.jobs << (setup.jobs == 1 ? " process" : " worker processes");
}

class FaultTrials : public ::testing::TestWithParam<TrialSetup> {
protected:
    // How many calls the shim counts in an undisturbed run.
    long FaultPoints() {
        ChildOptions options = Shimmed("none", 0);
        options.environment["VORLAN_FAULT_COUNT_FILE"] = (work_ / "count").string();
        const ChildResult result = scene_.Run(work_ / "counting", options);
        EXPECT_EQ(result.status, 0) << result.errors;
        // One line per process that ran: the largest count covers them all.
        long most = 0;
        std::istringstream counts(ReadFile(work_ / "count"));
        for (long count = 0; counts >> count;) most = std::max(most, count);
        return most;
    }

    // A trial that ended early: nothing lost; the next run to enter the
    // folder, whatever it is to do, first leaves every suite agreeing, as it
    // was or complete, and nothing beside them; a full run then completes.
    void ExpectRecovery(const fs::path& folder, const std::string& trial, const ChildResult& result) {
        // A kill during a commit leaves its journal and pending files.
        leftBehind_ += scene_.CheckBeforeOrAfter(folder, result).size();
        const ChildResult entered = scene_.RunInFolderOnly(folder);
        EXPECT_NE(entered.errors.find("has no META-INF/MANIFEST.MF"), std::string::npos)
            << trial << ": the run entering the folder failed otherwise\n"
            << Describe(entered);
        const std::vector<std::string> left = scene_.CheckBeforeOrAfter(folder, result);
        EXPECT_TRUE(left.empty()) << trial << " left " << ::testing::PrintToString(left) << " after the next run";
        scene_.CheckSuitesAgree(folder);
        const ChildResult again = scene_.RunAgain(folder);
        EXPECT_EQ(again.status, 0) << trial << ": the run after it failed\n" << Describe(again);
        scene_.CheckComplete(folder);
    }

    void Report(const std::string& what, int trials) {
        std::cout << what << ": " << trials << " trials, " << leftBehind_
                  << " pending files or journals left for the next run\n";
        RecordProperty("trials", trials);
        RecordProperty("left_behind", static_cast<int>(leftBehind_));
    }

    TempDir work_;
    FaultScene scene_{work_.path(), GetParam().mode, GetParam().jobs};
    std::size_t leftBehind_ = 0;
};

TEST_P(FaultTrials, AFailingWriteAtEveryPointLosesNothing) {
    const long points = FaultPoints();
    ASSERT_GT(points, 10);
    const std::vector<long> tried = FaultPointsTried(points, 1);
    for (const long at : tried) {
        const std::string trial = "write failure at call " + std::to_string(at);
        const fs::path folder = work_ / "trial";
        const ChildResult result = scene_.Run(folder, Shimmed("fail", at));
        ASSERT_TRUE(result.signal == 0 && (result.status == 0 || result.status == 1))
            << trial << ": " << Describe(result);
        const std::vector<std::string> left = scene_.CheckBeforeOrAfter(folder, result);
        EXPECT_TRUE(left.empty()) << trial << " left " << ::testing::PrintToString(left);
        EXPECT_TRUE(fs::is_empty(folder / "runtime")) << trial << " left its scratch folder";
        if (::testing::Test::HasFailure()) return;
    }
    Report("write failures", static_cast<int>(tried.size()));
}

TEST_P(FaultTrials, AKillAtEveryPointLosesNothingAndTheNextRunCompletes) {
    const long points = FaultPoints();
    int trials = 0;
    long first = 2;
    for (const char* mode : {"kill-before", "kill-after"}) {
        for (const long at : FaultPointsTried(points, first++)) {
            ++trials;
            const std::string trial = std::string(mode) + " call " + std::to_string(at);
            const fs::path folder = work_ / "trial";
            const ChildResult result = scene_.Run(folder, Shimmed(mode, at));
            // With workers, a killed worker ends the run with status 1; and as
            // the workers take entries as they reach them, a worker may make
            // fewer calls than in the counting run and never reach the point.
            const bool workerKilled = scene_.jobs() > 1 && result.status == 1;
            const bool pointNotReached = scene_.jobs() > 1 && result.status == 0;
            ASSERT_TRUE(result.signal == kKilled || workerKilled || pointNotReached)
                << trial << ": " << Describe(result);
            ExpectRecovery(folder, trial, result);
            if (::testing::Test::HasFailure()) return;
        }
    }
    Report("kills", trials);
}

TEST_P(FaultTrials, AFileSizeLimitLosesNothing) {
    int trials = 0;
    for (const unsigned long limit : {0ul, 1ul << 10, 8ul << 10, 64ul << 10, 256ul << 10}) {
        for (const FileSizeSignal signal : {FileSizeSignal::Delivered, FileSizeSignal::Ignored}) {
            const std::string trial = "file size limit " + std::to_string(limit) +
                                      (signal == FileSizeSignal::Ignored ? ", SIGXFSZ ignored" : "");
            const fs::path folder = work_ / "trial";
            ChildOptions options;
            options.fileSizeLimit = limit;
            options.fileSizeSignal = signal;
            const ChildResult result = scene_.Run(folder, options);
            ASSERT_TRUE(result.signal == SIGXFSZ || (result.signal == 0 && result.status <= 1))
                << trial << ": " << Describe(result);
            ExpectRecovery(folder, trial, result);
            ++trials;
            if (::testing::Test::HasFailure()) return;
        }
    }
    Report("file size limits", trials);
}

// The first file a mode-0 batch without APIs writes is the JAR's manifest,
// extracted into the scratch folder: a full scratch folder must be named as
// the reason, not taken for a JAR without a manifest.
TEST(FullScratchFolder, IsReportedAsTheReason) {
    TempDir work;
    PackWith("zip", {{"META-INF/MANIFEST.MF", "MIDlet-Name: G\r\n"}, {"g/G.class", "g"}}, work / "G.jar");
    const std::string before = ReadFile(work / "G.jar");
    ChildOptions options = Shimmed("fail", 1);
    options.workDir = work.path();
    const ChildResult result = RunChild({VorlanBatchProgram(), "G.jar"}, options);
    EXPECT_EQ(result.status, 1) << result.errors;
    EXPECT_NE(result.output.find("[ ] G.jar"), std::string::npos) << result.output;
    EXPECT_NE(result.errors.find("MANIFEST.MF\": No space left on device"), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find("has no META-INF/MANIFEST.MF"), std::string::npos) << result.errors;
    EXPECT_EQ(ReadFile(work / "G.jar"), before);
    EXPECT_FALSE(fs::exists(work / "G.jad"));
}

// A scratch folder that cannot take the API files is no fault of the API
// archive: none is reported as left out. The JARs that needed the files fail
// with the reason, untouched, while it lasts; a passing failure in the
// pre-pass costs nothing, as the JAR's own step makes them again.
TEST(FullScratchFolder, FailsTheJarsThatNeedTheApiFilesAndBlamesNoArchive) {
    TempDir work;
    fs::create_directory(work / "API");
    PackWith("zip", {{"api/Api.class", "api"}}, work / "API/api.zip");
    for (const char* mode : {"fail-from", "fail"}) {
        SCOPED_TRACE(mode);
        PackWith("zip", {{"META-INF/MANIFEST.MF", "MIDlet-Name: G\r\n"}, {"g/G.class", "g"}}, work / "G.jar");
        fs::remove(work / "G.jad");
        const std::string before = ReadFile(work / "G.jar");
        ChildOptions options = Shimmed(mode, 1);  // the first write is the first API file's
        options.workDir = work.path();
        const ChildResult result =
            RunChild({VorlanBatchProgram(), "--api-dir", "API", "--api", "api.zip", "G.jar"}, options);
        EXPECT_EQ(result.errors.find("left out"), std::string::npos) << result.errors;
        if (std::string(mode) == "fail") {
            EXPECT_EQ(result.status, 0) << result.errors;
            EXPECT_NE(RunCommand({"unzip", "-Z1", (work / "G.jar").string()}).output.find("api/Api.class"),
                      std::string::npos);
            continue;
        }
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.output.find("[ ] G.jar"), std::string::npos) << result.output;
        EXPECT_NE(result.errors.find("could not be unpacked into the scratch folder"), std::string::npos)
            << result.errors;
        EXPECT_NE(result.errors.find("No space left on device"), std::string::npos) << result.errors;
        EXPECT_EQ(ReadFile(work / "G.jar"), before);
        EXPECT_FALSE(fs::exists(work / "G.jad"));
    }
}

// The commit journal is Vorlan's own file: when it cannot be written, the
// message names its folder and says that nothing changed. (A suite gets a
// journal when more than its descriptor changes: here the JAR gets an API.)
TEST(FullDisk, AJournalThatCannotBeWrittenIsNamedByItsFolder) {
    TempDir work;
    fs::create_directory(work / "API");
    PackWith("zip", {{"api/Api.class", "api"}}, work / "API" / "api.zip");
    const std::vector<std::string> batch{
        VorlanBatchProgram(), "--api-dir", (work / "API").string(), "--api", "api.zip", "G.jar"};
    const auto makeSuite = [&work](const std::string& trial) {
        fs::create_directory(work / trial);
        PackWith("zip", {{"META-INF/MANIFEST.MF", "MIDlet-Name: G\r\n"}, {"g/G.class", "g"}}, work / trial / "G.jar");
        return work / trial;
    };
    ChildOptions counting = Shimmed("none", 0);
    counting.workDir = makeSuite("counting");
    counting.environment["VORLAN_FAULT_COUNT_FILE"] = (work / "count").string();
    ASSERT_EQ(RunChild(batch, counting).status, 0);
    const long points = std::stol(ReadFile(work / "count"));
    int journalFailures = 0;
    for (long at = 1; at <= points; ++at) {
        ChildOptions options = Shimmed("fail", at);
        options.workDir = makeSuite("trial" + std::to_string(at));
        const std::string before = ReadFile(options.workDir / "G.jar");
        const ChildResult result = RunChild(batch, options);
        EXPECT_EQ(result.errors.find(".vorlan-commit\""), std::string::npos) << result.errors;
        if (result.errors.find("commit journal") == std::string::npos) continue;
        ++journalFailures;
        EXPECT_NE(result.errors.find("Cannot write the commit journal in \"" + options.workDir.string() +
                                     "\": No space left on device; nothing was changed"),
                  std::string::npos)
            << result.errors;
        EXPECT_EQ(ReadFile(options.workDir / "G.jar"), before);
        EXPECT_FALSE(fs::exists(options.workDir / "G.jad"));
    }
    EXPECT_GT(journalFailures, 0) << "no fault point was the journal's";
}

INSTANTIATE_TEST_SUITE_P(Setups, FaultTrials,
                         ::testing::Values(TrialSetup{SceneMode::GenerateJad, 1}, TrialSetup{SceneMode::BuildFix, 1},
                                           TrialSetup{SceneMode::DescriptorsOnly, 1},
                                           TrialSetup{SceneMode::GenerateJad, 2}),
                         [](const ::testing::TestParamInfo<TrialSetup>& setup) {
                             const std::string mode = SceneName(setup.param.mode);
                             return setup.param.jobs == 1 ? mode : mode + "InTwoWorkers";
                         });

}  // namespace
}  // namespace vorlan::test
