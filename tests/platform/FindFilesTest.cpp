// SPDX-License-Identifier: MIT
// Wildcard enumeration: what matches, what kinds are found, what is skipped.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "platform/FindFiles.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::vector<FoundFile>& found) {
    std::vector<std::string> names;
    for (const FoundFile& file : found) names.push_back(file.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Find(const std::string& pattern, FindResult expected = FindResult::Found) {
    std::vector<FoundFile> found;
    EXPECT_EQ(FindFiles(pattern, found), expected) << pattern;
    return Names(found);
}

using Names_ = std::vector<std::string>;

TEST(FindFiles, MatchesIgnoringCaseAndFindsEveryKind) {
    TempDir dir;
    WriteFile(dir / "Snake.JAR", "12345");
    WriteFile(dir / ".hidden.jar", "");
    WriteFile(dir / "notes.txt", "");
    fs::create_directory(dir / "folder.jar");
    fs::create_symlink(dir / "Snake.JAR", dir / "link.jar");
    WriteFile(dir / "locked.jar", "");
    fs::permissions(dir / "locked.jar", fs::perms::owner_read);
    EXPECT_EQ(Find(dir.str() + "/*.jar"), (Names_{".hidden.jar", "Snake.JAR", "folder.jar", "link.jar", "locked.jar"}));
    EXPECT_EQ(Find(dir.str() + "/S?AKE.*"), (Names_{"Snake.JAR"}));
}

TEST(FindFiles, ReportsKindAndSizeWithoutFollowingFolderLinks) {
    TempDir dir;
    WriteFile(dir / "suite.jar", "12345");
    fs::create_directory(dir / "sub");
    fs::create_directory_symlink(dir / "sub", dir / "sublink");
    fs::create_symlink(dir / "suite.jar", dir / "suitelink");
    std::vector<FoundFile> found;
    ASSERT_EQ(FindFiles(dir.str() + "/*", found), FindResult::Found);
    for (const FoundFile& file : found) {
        SCOPED_TRACE(file.name);
        EXPECT_EQ(file.isFolder, file.name == "sub");
        EXPECT_EQ(file.size, file.name == "suite.jar" || file.name == "suitelink" ? 5u : 0u);
    }
    EXPECT_EQ(found.size(), 4u);
}

TEST(FindFiles, BracketsAndBackslashesAreOrdinaryCharacters) {
    TempDir dir;
    WriteFile(dir / "Game [v1.2].jar", "");
    WriteFile(dir / "Game v.jar", "");
    WriteFile(dir / "back\\slash.jar", "");
    WriteFile(dir / "backslash.jar", "");
    EXPECT_EQ(Find(dir.str() + "/game [V1.2].*"), (Names_{"Game [v1.2].jar"}));
    EXPECT_EQ(Find(dir.str() + "/Game [v1.2]*"), (Names_{"Game [v1.2].jar"}));
    EXPECT_EQ(Find(dir.str() + "/Game [v]*", FindResult::NothingFound), Names_{});
    EXPECT_EQ(Find(dir.str() + "/back\\*"), (Names_{"back\\slash.jar"}));
    EXPECT_EQ(Find(dir.str() + "/*[*"), (Names_{"Game [v1.2].jar"}));
}

TEST(FindFiles, PathWithoutWildcardsFindsExactlyThatFileInAnyCase) {
    TempDir dir;
    WriteFile(dir / "Snake.jar", "123");
    WriteFile(dir / "Snake.jar.bak", "");
    WriteFile(dir / "Game [v1.2].JAR", "1234");
    EXPECT_EQ(Find(dir.str() + "/Snake.jar"), (Names_{"Snake.jar"}));
    EXPECT_EQ(Find(dir.str() + "/SNAKE.JAR"), (Names_{"Snake.jar"}));
    std::vector<FoundFile> found;
    ASSERT_EQ(FindFiles(dir.str() + "/game [v1.2].jar", found), FindResult::Found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "Game [v1.2].JAR");
    EXPECT_EQ(found[0].size, 4u);
    EXPECT_EQ(Find(dir.str() + "/Snake.ja", FindResult::NothingFound), Names_{});
}

TEST(FindFiles, StarDotStarMatchesNamesWithoutExtension) {
    TempDir dir;
    WriteFile(dir / "README", "");
    WriteFile(dir / "a.b.c", "");
    EXPECT_EQ(Find(dir.str() + "/*.*"), (Names_{"README", "a.b.c"}));
    EXPECT_EQ(Find(dir.str() + "/readme.*"), (Names_{"README"}));
    WriteFile(dir / ".jar", "");
    WriteFile(dir / "x.jar2", "");
    WriteFile(dir / "ab.jar", "");
    EXPECT_EQ(Find(dir.str() + "/*.jar"), (Names_{".jar", "ab.jar"}));
    EXPECT_EQ(Find(dir.str() + "/?.jar", FindResult::NothingFound), Names_{});
}

TEST(FindFiles, DotEntriesAreSkippedButReportedAsMatched) {
    TempDir dir;
    std::vector<FoundFile> found;
    FindOutcome outcome = FindFilesWithDotEntries(dir.str() + "/*.*", found);
    EXPECT_EQ(outcome.result, FindResult::NothingFound);
    EXPECT_TRUE(outcome.dotEntryMatched);
    EXPECT_TRUE(outcome.readToEnd);
    EXPECT_TRUE(found.empty());

    outcome = FindFilesWithDotEntries(dir.str() + "/*.jar", found);
    EXPECT_FALSE(outcome.dotEntryMatched);
    outcome = FindFilesWithDotEntries(dir.str() + "/missing/*.*", found);
    EXPECT_FALSE(outcome.dotEntryMatched);
    EXPECT_FALSE(outcome.readToEnd);
    EXPECT_EQ(outcome.result, FindResult::NothingFound);
}

TEST(FindFiles, NamesThatAreNotValidUtf8StillMatch) {
    TempDir dir;
    WriteFile(dir / "\xC8\xE3\xF0\xE0.jar", "");  // a CP1251 name, invalid as UTF-8
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
    EXPECT_EQ(Find(dir.str() + "/*.JAR"), (Names_{"\xC8\xE3\xF0\xE0.jar"}));
    EXPECT_EQ(Find(dir.str() + "/????.jar"), (Names_{"\xC8\xE3\xF0\xE0.jar"}));
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(FindFiles, MissingFolderFindsNothing) {
    TempDir dir;
    EXPECT_EQ(Find(dir.str() + "/missing/*", FindResult::NothingFound), Names_{});
    EXPECT_EQ(Find(dir.str() + "/", FindResult::NothingFound), Names_{});
}

TEST(AddFilesByExtension, AppendsBareNamesAndTellsWhetherAnyMatched) {
    TempDir dir;
    WriteFile(dir / "one.zip", "");
    fs::create_directory(dir / "two.zip");
    WriteFile(dir / "three.jar", "");
    std::vector<std::string> list{"kept"};
    EXPECT_TRUE(AddFilesByExtension(dir.str() + "/", ".zip", list));
    EXPECT_FALSE(AddFilesByExtension(dir.str(), ".rar", list));
    EXPECT_FALSE(AddFilesByExtension(dir.str() + "/missing", ".zip", list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], "kept");
    std::sort(list.begin() + 1, list.end());
    EXPECT_EQ(list[1], "one.zip");
    EXPECT_EQ(list[2], "two.zip");
}

}  // namespace
}  // namespace vorlan
