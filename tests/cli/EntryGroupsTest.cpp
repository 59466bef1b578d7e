// SPDX-License-Identifier: MIT
// How --jobs shares out the file list, and the messages workers send back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tuple>

#include "cli/EntryClaims.h"
#include "cli/EntryGroups.h"
#include "cli/WorkerMessages.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

EntryFacts Facts(std::vector<std::string> keys) {
    return EntryFacts{std::move(keys)};
}

TEST(GroupOfEachEntry, EntriesSharingAFileShareAGroupNumberedInListOrder) {
    // 1 and 4 share "a"; 4 and 6 share "b": 1, 4 and 6 are one group.
    const std::vector<EntryFacts> entries{Facts({"c"}),      Facts({"a"}), Facts({"d"}), Facts({"c", "e"}),
                                          Facts({"a", "b"}), Facts({"f"}), Facts({"b"})};
    EXPECT_EQ(GroupOfEachEntry(entries), (std::vector<int>{0, 1, 2, 0, 1, 3, 1}));
    EXPECT_TRUE(GroupOfEachEntry({}).empty());
}

TEST(EntryClaims, AGroupGoesToTheFirstWorkerToReachIt) {
    EntryClaims claims({0, 1, 0, 2});
    EXPECT_TRUE(claims.Take(0, 1));
    EXPECT_FALSE(claims.Take(0, 0));
    EXPECT_TRUE(claims.Take(2, 1));  // the group's later entry: the same worker's
    EXPECT_FALSE(claims.Take(2, 0));
    EXPECT_EQ(claims.TakenBy(3), -1);
    // Shared with a forked worker: what it takes, the others see taken.
    const pid_t child = fork();
    if (child == 0) _exit(claims.Take(1, 7) && claims.Take(3, 7) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(claims.Take(1, 0));
    EXPECT_EQ(claims.TakenBy(3), 7);
}

bool ShareAKey(const EntryFacts& a, const EntryFacts& b) {
    for (const std::string& key : a.keys)
        if (std::find(b.keys.begin(), b.keys.end(), key) != b.keys.end()) return true;
    return false;
}

TEST(FactsOfEntry, OneSuiteUnderAnyNameHasOneKey) {
    TempDir work;
    WriteFile(work / "games/Snake.JAR", std::string(1000, 's'));
    WriteFile(work / "games/Other.jar", "o");
    fs::create_symlink("Snake.JAR", work / "games/alias.jar");
    fs::create_directory_symlink(work / "games", work / "linked");
    const EntryFacts snake = FactsOfEntry((work / "games/Snake.JAR").string());
    // Its descriptor, the other letter case, a link to it, a linked folder.
    for (const char* name :
         {"games/Snake.jad", "games/snake.jar", "games/alias.jar", "linked/Snake.JAR", "games/../games/SNAKE.jad"})
        EXPECT_TRUE(ShareAKey(snake, FactsOfEntry((work / name).string()))) << name;
    EXPECT_FALSE(ShareAKey(snake, FactsOfEntry((work / "games/Other.jar").string())));
    EXPECT_FALSE(ShareAKey(snake, FactsOfEntry((work / "Snake.jar").string())));  // another folder
}

TEST(WorkerMessages, ArriveWholeHoweverTheBytesAreCut) {
    SuiteFacts facts{"Snake", "Vendor", "1.0", 5000000000, -1, std::string(64, 'a'), "", {"nokiaui.zip", "api.jar"},
                     {},      {}};
    const std::vector<WorkerMessage> sent{EntryOutcome{7, true, "", {"first warning", ""}, facts},
                                          EntryOutcome{70000, false, std::string("line one\nline\0two", 17), {}, {}},
                                          ApiLeftOut{"api.rar", "not a zip archive"},
                                          ApiLeftOut{"api.zip", "a name left out", true},
                                          BatchFinished{"Process successfuly completed!"}};
    std::string bytes;
    for (const WorkerMessage& message : sent) bytes += Encode(message);
    WorkerMessageReader reader;
    std::vector<WorkerMessage> received;
    for (const char byte : bytes) {
        reader.Append(&byte, 1);
        while (std::optional<WorkerMessage> message = reader.Next()) received.push_back(*message);
    }
    EXPECT_FALSE(reader.HoldsPartialMessage());
    ASSERT_EQ(received.size(), sent.size());
    const auto& second = std::get<EntryOutcome>(received[1]);
    EXPECT_EQ(second.index, 70000);
    EXPECT_FALSE(second.succeeded);
    EXPECT_EQ(second.failure, std::string("line one\nline\0two", 17));
    EXPECT_TRUE(std::get<EntryOutcome>(received[0]).succeeded);
    EXPECT_EQ(std::get<EntryOutcome>(received[0]).warnings, (std::vector<std::string>{"first warning", ""}));
    const SuiteFacts& got = std::get<EntryOutcome>(received[0]).facts;
    EXPECT_EQ(
        std::tie(got.midletName, got.midletVendor, got.midletVersion, got.jarSha256Before, got.apisAdded),
        std::tie(facts.midletName, facts.midletVendor, facts.midletVersion, facts.jarSha256Before, facts.apisAdded));
    EXPECT_EQ(got.jarSizeBefore, 5000000000);  // over 32 bits
    EXPECT_EQ(got.jarSizeAfter, -1);
    EXPECT_EQ(std::get<ApiLeftOut>(received[2]).failure, "not a zip archive");
    EXPECT_FALSE(std::get<ApiLeftOut>(received[2]).entryOnly);
    EXPECT_TRUE(std::get<ApiLeftOut>(received[3]).entryOnly);
    EXPECT_EQ(std::get<BatchFinished>(received[4]).text, "Process successfuly completed!");
    reader.Append("?", 1);
    EXPECT_THROW(reader.Next(), std::runtime_error);
}

}  // namespace
}  // namespace vorlan
