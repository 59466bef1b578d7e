// How --jobs shares out the file list, and the messages workers send back.
#include <gtest/gtest.h>

#include "cli/EntryGroups.h"
#include "cli/WorkerMessages.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

EntryFacts Facts(std::vector<std::string> keys, std::uint64_t cost = 1) { return EntryFacts{std::move(keys), cost}; }

TEST(AssignEntries, EntriesSharingAFileStayTogetherInListOrder) {
    // 0 and 3 share "a"; 3 and 5 share "b": 0, 3 and 5 are one group.
    const std::vector<EntryFacts> entries{Facts({"a"}), Facts({"c"}), Facts({"d"}), Facts({"a", "b"}),
                                          Facts({"e"}), Facts({"b"})};
    const std::vector<std::vector<int>> shares = AssignEntries(entries, 2);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0], (std::vector<int>{0, 3, 5}));
    EXPECT_EQ(shares[1], (std::vector<int>{1, 2, 4}));
}

TEST(AssignEntries, GroupsGoToTheWorkerWithTheLeastWork) {
    const std::vector<EntryFacts> entries{Facts({"big"}, 100), Facts({"s1"}, 10), Facts({"s2"}, 10),
                                          Facts({"s3"}, 10), Facts({"big2"}, 100), Facts({"s4"}, 10)};
    const std::vector<std::vector<int>> shares = AssignEntries(entries, 2);
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0], (std::vector<int>{0, 5}));
    EXPECT_EQ(shares[1], (std::vector<int>{1, 2, 3, 4}));
}

TEST(AssignEntries, NoWorkerGoesWithoutWork) {
    const std::vector<EntryFacts> entries{Facts({"same"}), Facts({"same"}), Facts({"same"})};
    EXPECT_EQ(AssignEntries(entries, 4), (std::vector<std::vector<int>>{{0, 1, 2}}));
    EXPECT_TRUE(AssignEntries({}, 3).empty());
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
    EXPECT_GT(snake.cost, 1000u);
    // Its descriptor, the other letter case, a link to it, a linked folder.
    for (const char* name : {"games/Snake.jad", "games/snake.jar", "games/alias.jar", "linked/Snake.JAR",
                             "games/../games/SNAKE.jad"})
        EXPECT_TRUE(ShareAKey(snake, FactsOfEntry((work / name).string()))) << name;
    EXPECT_FALSE(ShareAKey(snake, FactsOfEntry((work / "games/Other.jar").string())));
    EXPECT_FALSE(ShareAKey(snake, FactsOfEntry((work / "Snake.jar").string())));  // another folder
}

TEST(WorkerMessages, ArriveWholeHoweverTheBytesAreCut) {
    const std::vector<WorkerMessage> sent{EntryOutcome{7, true, ""},
                                          EntryOutcome{70000, false, std::string("line one\nline\0two", 17)},
                                          ApiLeftOut{"api.rar", "not a zip archive"},
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
    EXPECT_EQ(std::get<ApiLeftOut>(received[2]).failure, "not a zip archive");
    EXPECT_EQ(std::get<BatchFinished>(received[3]).text, "Process successfuly completed!");
    reader.Append("?", 1);
    EXPECT_THROW(reader.Next(), std::runtime_error);
}

}  // namespace
}  // namespace vorlan
