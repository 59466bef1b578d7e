// SPDX-License-Identifier: MIT
// What another user plants in a shared folder cannot be turned against the
// user who runs Vorlan there: a commit journal that is not the user's own
// whole journal of renames in that folder is set aside with a warning and
// the user's suite is still done; a link another user made is not followed,
// nor one that leads nowhere, and a fix replaces nothing but a suite's JAR.
// Each case changes nothing outside the shared folder and nothing of the
// other user's; the victim is root, then a user who is not.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <functional>

#include "filecommit/FileDescriptor.h"
#include "filecommit/FoundJournal.h"
#include "tests/filecommit/SharedFolderScene.h"

namespace vorlan::test {
namespace {

// An attacker's pending file of the form Vorlan's own have, holding a suite.
constexpr const char* kPlantedPending = ".game.jar.vorlan-Planted1";
constexpr const char* kJournal = ".vorlan-commit-Planted0";

std::string Journal(const std::vector<std::pair<std::string, std::string>>& renames, std::size_t padding = 0) {
    std::vector<PendingRename> listed;
    for (const auto& [pending, target] : renames) listed.push_back({"", pending, target});
    // Renames of pending files that are gone count as done: filler of any length.
    for (std::size_t filler = 0; filler < padding; filler += 64)
        listed.push_back({"", ".gone.jar.vorlan-" + std::string(8, 'g'), std::string(40, 'f') + ".jar"});
    return JournalText(listed);
}

template <typename Row>
std::string RowName(const ::testing::TestParamInfo<std::tuple<Victim, Row>>& row) {
    return std::string(std::get<0>(row.param) == Victim::root ? "Root_" : "User_") + std::get<1>(row.param).name;
}

struct PlantedJournal {
    const char* name;
    std::function<void(const SharedFolderScene&)> plant;
};

void PrintTo(const PlantedJournal& row, std::ostream* out) {
    *out << row.name;
}

// The victim's own journal (so only its names can be wrong), listing renames.
void VictimsJournal(const SharedFolderScene& scene, const std::string& pending, const std::string& target) {
    scene.Plant(scene.Shared() / kPlantedPending, SuiteJar("the attacker's"));
    scene.Plant(scene.Shared() / kJournal, Journal({{pending, target}}), 0600);
    scene.GiveToVictim(scene.Shared() / kJournal, 0600);
}

const PlantedJournal kPlantedJournals[] = {
    {"JournalOfAnotherUser",
     [](const SharedFolderScene& scene) {
         scene.Plant(scene.Shared() / kPlantedPending, SuiteJar("the attacker's"));
         scene.Plant(scene.Shared() / kJournal, Journal({{kPlantedPending, "game.jar"}}));
     }},
    {"GroupWritableJournal",
     [](const SharedFolderScene& scene) {
         VictimsJournal(scene, kPlantedPending, "game.jar");
         scene.GiveToVictim(scene.Shared() / kJournal, 0660);
     }},
    {"AbsoluteTarget",
     [](const SharedFolderScene& scene) {
         VictimsJournal(scene, kPlantedPending, (scene.Outside() / "victim.jar").string());
     }},
    {"ParentTarget",
     [](const SharedFolderScene& scene) { VictimsJournal(scene, kPlantedPending, "../outside/victim.jar"); }},
    {"TargetThroughALinkedFolder",
     [](const SharedFolderScene& scene) {
         scene.PlantLink(scene.Shared() / "elsewhere", scene.Outside());
         VictimsJournal(scene, kPlantedPending, "elsewhere/victim.jar");
     }},
    {"PendingNameOfAnotherForm",
     [](const SharedFolderScene& scene) {
         scene.Plant(scene.Shared() / "planted.jar", SuiteJar("the attacker's"));
         VictimsJournal(scene, "planted.jar", "game.jar");
     }},
    {"TargetNotAJarOrJad", [](const SharedFolderScene& scene) { VictimsJournal(scene, kPlantedPending, "notes.txt"); }},
    {"PendingFileOfAnotherUser",
     [](const SharedFolderScene& scene) { VictimsJournal(scene, kPlantedPending, "game.jar"); }},
    {"OversizedJournal",
     [](const SharedFolderScene& scene) {
         VictimsJournal(scene, kPlantedPending, "game.jar");
         WriteFile(scene.Shared() / kJournal, Journal({{kPlantedPending, "game.jar"}}, kMostJournalBytes));
     }},
};

class PlantedJournals : public ::testing::TestWithParam<std::tuple<Victim, PlantedJournal>> {
protected:
    void SetUp() override {
        if (const auto why = WhyNoTestUsers()) GTEST_SKIP() << "needs a second user: " << *why;
    }
};

TEST_P(PlantedJournals, AreSetAsideAndTheUsersSuiteIsStillDone) {
    const auto& [victim, row] = GetParam();
    for (const FolderKind kind : {FolderKind::sticky, FolderKind::groupWritable}) {
        const SharedFolderScene scene(victim, kind);
        row.plant(scene);
        auto before = scene.State();
        const ChildResult result = scene.RunVictim({"game.jar"});
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(result.output, "[x] game.jar\nProcess successfuly completed!\n");
        EXPECT_NE(result.errors.find("warning: game.jar: \"" + (scene.Shared() / kJournal).string() +
                                     "\" is set aside, not completed: "),
                  std::string::npos)
            << result.errors;
        auto after = scene.State();
        EXPECT_EQ(after.erase("shared/game.jad"), 1u);
        EXPECT_EQ(after, before) << (kind == FolderKind::sticky ? "in a sticky folder" : "in a group folder");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PlantedJournals,
                         ::testing::Combine(::testing::Values(Victim::root, Victim::user),
                                            ::testing::ValuesIn(kPlantedJournals)),
                         RowName<PlantedJournal>);

struct PlantedLink {
    const char* name;
    FolderKind kind;
    std::vector<std::string> arguments;
    std::function<void(const SharedFolderScene&)> plant;
    const char* reason;
};

void PrintTo(const PlantedLink& row, std::ostream* out) {
    *out << row.name;
}

void VictimsDescriptor(const SharedFolderScene& scene) {
    WriteFile(scene.Shared() / "game.jad", "MIDlet-Name: Game\r\nMIDlet-Version: 1.0\r\nMIDlet-1: Game,,g.G\r\n");
    scene.GiveToVictim(scene.Shared() / "game.jad");
}

void AttackersLinkToTheVictimsSuite(const SharedFolderScene& scene) {
    fs::remove(scene.Shared() / "game.jar");
    scene.PlantLink(scene.Shared() / "game.jar", scene.Outside() / "victim.jar");
}

const char* const kNotFollowed = "it is another user's link in a shared folder";

const PlantedLink kPlantedLinks[] = {
    {"InAStickyFolder",
     FolderKind::sticky,
     {"--api", "api.zip", "game.jar"},
     AttackersLinkToTheVictimsSuite,
     kNotFollowed},
    {"InAGroupFolder",
     FolderKind::groupWritable,
     {"--api", "api.zip", "game.jar"},
     AttackersLinkToTheVictimsSuite,
     kNotFollowed},
    {"LaterInTheChain",
     FolderKind::sticky,
     {"--api", "api.zip", "game.jar"},
     [](const SharedFolderScene& scene) {
         fs::remove(scene.Shared() / "game.jar");
         fs::create_symlink("hop.jar", scene.Shared() / "game.jar");
         scene.GiveToVictim(scene.Shared() / "game.jar");
         scene.PlantLink(scene.Shared() / "hop.jar", scene.Outside() / "victim.jar");
     },
     kNotFollowed},
    {"AsTheDescriptor",
     FolderKind::sticky,
     {"game.jar"},
     [](const SharedFolderScene& scene) {
         scene.PlantLink(scene.Shared() / "game.jad", scene.Outside() / "victim.jad");
     },
     "it belongs to another user in a shared folder"},
    {"Dangling",
     FolderKind::groupWritable,
     {"--mode", "1", "game.jad"},
     [](const SharedFolderScene& scene) {
         VictimsDescriptor(scene);
         fs::remove(scene.Shared() / "game.jar");
         fs::create_symlink(scene.Outside() / "new.jar", scene.Shared() / "game.jar");
         scene.GiveToVictim(scene.Shared() / "game.jar");
     },
     "no file is created through a link"},
    {"FixOverAFileThatIsNoZip",
     FolderKind::sticky,
     {"--mode", "1", "game.jad"},
     [](const SharedFolderScene& scene) {
         VictimsDescriptor(scene);
         WriteFile(scene.Shared() / "game.jar", "the victim's text, not a suite");
         scene.GiveToVictim(scene.Shared() / "game.jar");
     },
     "is not replaced by the fix JAR: it is not a zip archive"},
};

class PlantedLinks : public ::testing::TestWithParam<std::tuple<Victim, PlantedLink>> {
protected:
    void SetUp() override {
        if (const auto why = WhyNoTestUsers()) GTEST_SKIP() << "needs a second user: " << *why;
    }
};

TEST_P(PlantedLinks, LeadNowhereTheyShouldNot) {
    const auto& [victim, row] = GetParam();
    const SharedFolderScene scene(victim, row.kind);
    row.plant(scene);
    const auto before = scene.State();
    const ChildResult result = scene.RunVictim(row.arguments);
    EXPECT_EQ(result.status, 1) << result.errors;
    EXPECT_TRUE(result.output.starts_with("[ ] " + row.arguments.back() + "\n")) << result.output;
    EXPECT_NE(result.errors.find(row.reason), std::string::npos) << result.errors;
    EXPECT_EQ(scene.State(), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, PlantedLinks,
                         ::testing::Combine(::testing::Values(Victim::root, Victim::user),
                                            ::testing::ValuesIn(kPlantedLinks)),
                         RowName<PlantedLink>);

// Another program that can read a JAR (another user's too) may hold the
// suite's lock: the run waits a few seconds at most, then that entry fails
// with the reason, untouched, and the batch goes on.
TEST(HeldSuite, FailsAfterABoundedWaitAndTheBatchGoesOn) {
    TempDir work;
    WriteFile(work / "held.jar", SuiteJar("held"));
    WriteFile(work / "free.jar", SuiteJar("free"));
    const FileDescriptor held(::open((work / "held.jar").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(held.Get(), LOCK_EX), 0);
    ChildOptions options;
    options.workDir = work.path();
    const ChildResult result = RunChild({VorlanBatchProgram(), "held.jar", "free.jar"}, options);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "[ ] held.jar\n[x] free.jar\nProcess successfuly completed!\n");
    EXPECT_NE(result.errors.find("held.jar\" is in use by another program"), std::string::npos) << result.errors;
    EXPECT_EQ(ReadFile(work / "held.jar"), SuiteJar("held"));
    EXPECT_FALSE(fs::exists(work / "held.jad"));
}

}  // namespace
}  // namespace vorlan::test
