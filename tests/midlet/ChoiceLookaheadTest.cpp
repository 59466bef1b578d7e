// SPDX-License-Identifier: MIT
// Work beside the batch: --api auto's choices made ahead, used only for the
// file they were made from, as it still is when the batch asks; the tasks a
// waiting thread takes over from the background thread.
#include "midlet/ChoiceLookahead.h"

#include <gtest/gtest.h>

#include <future>

#include "midlet/BackgroundWorker.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

// A scan that names the file it read and its content, and lets the test
// know when each scan is done.
class ScanRecorder {
public:
    ChoiceLookahead::Scan Scan() {
        return [this](const std::string& path) {
            const std::string content = ReadFile(path);
            if (content == "unreadable") throw std::runtime_error("no zip");
            ApiChoice choice;
            choice.archives.push_back({path, {content}});
            ++scans_;
            return choice;
        };
    }
    int Scans() const { return scans_; }

private:
    std::atomic<int> scans_{0};
};

std::string Content(const std::optional<ApiChoice>& choice) {
    return choice ? choice->archives.at(0).classes.at(0) : "(none)";
}

TEST(ChoiceLookaheadTest, GivesAChoiceOnlyForTheFileAsItWasScanned) {
    TempDir work;
    for (const char* name : {"a.jar", "b.jar", "c.jar", "d.jar", "e.jar"}) WriteFile(work / name, name);
    WriteFile(work / "bad.jar", "unreadable");
    fs::create_symlink(work / "d.jar", work / "link.jar");
    ScanRecorder recorder;
    ChoiceLookahead lookahead(recorder.Scan());
    for (const char* name : {"a.jar", "b.jar", "link.jar", "bad.jar", "c.jar", "e.jar"})
        lookahead.Expect((work / name).string());
    while (recorder.Scans() < 5) std::this_thread::yield();  // all but the one that fails
    EXPECT_EQ(Content(lookahead.Take((work / "a.jar").string())), "a.jar");
    EXPECT_EQ(Content(lookahead.Take((work / "b.jar").string())), "b.jar");
    // Asked for through its target, a JAR expected through a link.
    EXPECT_EQ(Content(lookahead.Take((work / "d.jar").string())), "d.jar");
    EXPECT_EQ(Content(lookahead.Take((work / "bad.jar").string())), "(none)");  // the batch meets the failure itself
    // Changed after its scan: scanned again when asked for.
    WriteFile(work / "c.jar", "c.jar, rewritten");
    EXPECT_EQ(Content(lookahead.Take((work / "c.jar").string())), "(none)");
    // Never expected, or dropped as passed over: nothing.
    EXPECT_EQ(Content(lookahead.Take((work / "a.jar").string())), "(none)");
    EXPECT_EQ(Content(lookahead.Take((work / "e.jar").string())), "e.jar");
}

// The lookahead's thread is held in a.jar's scan until b.jar has been
// scanned: only the batch's thread, waiting in Take for a.jar, can scan it.
TEST(ChoiceLookaheadTest, TheThreadThatWaitsScansALaterJarMeanwhile) {
    TempDir work;
    for (const char* name : {"a.jar", "b.jar"}) WriteFile(work / name, name);
    std::promise<void> bScanned;
    std::shared_future<void> bDone = bScanned.get_future().share();
    std::atomic<int> scans{0};
    ChoiceLookahead lookahead([&](const std::string& path) {
        ++scans;
        if (path.ends_with("a.jar") && bDone.wait_for(std::chrono::seconds(30)) != std::future_status::ready)
            throw std::runtime_error("b.jar was never scanned");
        if (path.ends_with("b.jar")) bScanned.set_value();
        ApiChoice choice;
        choice.archives.push_back({path, {ReadFile(path)}});
        return choice;
    });
    lookahead.Expect((work / "a.jar").string());
    lookahead.Expect((work / "b.jar").string());
    while (scans.load() == 0) std::this_thread::yield();  // a.jar's scan has begun
    EXPECT_EQ(Content(lookahead.Take((work / "a.jar").string())), "a.jar");
    EXPECT_EQ(Content(lookahead.Take((work / "b.jar").string())), "b.jar");
    EXPECT_EQ(scans.load(), 2);  // neither scanned twice
}

// The thread's first task waits for the second, which only the owner can
// run; a task taken over is not run twice.
TEST(BackgroundWorkerTest, TheOwnerRunsATaskNotYetBegun) {
    std::promise<void> secondRan;
    std::shared_future<void> secondDone = secondRan.get_future().share();
    std::promise<bool> firstSaw;
    std::atomic<int> secondRuns{0};
    BackgroundWorker worker;
    ASSERT_TRUE(worker.Post(
        [&] { firstSaw.set_value(secondDone.wait_for(std::chrono::seconds(30)) == std::future_status::ready); }));
    std::future<bool> first = firstSaw.get_future();
    ASSERT_TRUE(worker.Post([&] {
        ++secondRuns;
        secondRan.set_value();
    }));
    bool ranHere = false;
    while (!ranHere && first.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        ranHere = worker.RunQueuedTaskHere();
    EXPECT_TRUE(ranHere);
    EXPECT_TRUE(first.get());
    EXPECT_FALSE(worker.RunQueuedTaskHere());  // nothing left
    EXPECT_EQ(secondRuns.load(), 1);
}

}  // namespace
}  // namespace vorlan::test
