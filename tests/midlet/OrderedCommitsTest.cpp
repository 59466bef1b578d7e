// SPDX-License-Identifier: MIT
// Group commits beside the batch: a group that is due while the one before it
// still commits keeps taking suites instead of making the batch wait; every
// suite is committed all the same, and reported in list order.
#include "midlet/OrderedCommits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "filecommit/CommitGroup.h"
#include "filecommit/PendingFile.h"
#include "tests/support/BatchEnvironment.h"
#include "tests/support/RecordingBatchHost.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

CommitUnit NewJad(const TempDir& dir, const std::string& name, std::function<void()> verify = {}) {
    CommitUnit unit;
    PendingFile jad = PendingFile::Beside((dir / name).string());
    jad.Write("new " + name);
    unit.AddAlone(std::move(jad), dir.str());
    unit.verify = std::move(verify);
    return unit;
}

TEST(OrderedCommitsTest, ADueGroupGrowsWhileTheGroupBeforeItStillCommits) {
    TempDir dir;
    const BatchEnvironment environment(dir.path());
    RecordingBatchHost host;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    {
        OrderedCommits commits(host);
        // Snake's group commits on the committer's thread and is held there
        // in its unit's check until the test lets it go on.
        commits.Prepared(0, NewJad(dir, "Snake.jad", [released] { released.wait(); }), {"snake"});
        commits.CommitOpenGroupSoon();
        commits.Prepared(1, NewJad(dir, "Frog.jad"), {"frog"});
        std::this_thread::sleep_for(OrderedCommits::kLongestWait + std::chrono::milliseconds(20));
        // Frog's group is due now: starting it would wait for Snake's commit.
        auto next = std::async(std::launch::async,
                               [&commits, &dir] { commits.Prepared(2, NewJad(dir, "Toad.jad"), {"toad"}); });
        const bool batchWentOn = next.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        release.set_value();
        next.get();
        EXPECT_TRUE(batchWentOn) << "the batch waited for the group still committing";
        commits.CommitOpenGroup();
        commits.ReportFinished();
    }
    EXPECT_EQ(host.checked, (std::vector<int>{1, 1, 1}));
    for (const std::string name : {"Snake.jad", "Frog.jad", "Toad.jad"}) EXPECT_EQ(ReadFile(dir / name), "new " + name);
}

}  // namespace
}  // namespace vorlan::test
