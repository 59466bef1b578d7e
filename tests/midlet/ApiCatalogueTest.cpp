// SPDX-License-Identifier: MIT
// The API catalogue over the program's and the user's API folders: where the
// user's folder is, the order of the names, and where each archive is read.
#include <gtest/gtest.h>

#include "midlet/ApiCatalogue.h"
#include "midlet/Globals.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

struct FolderCase {
    std::optional<std::string> dataHome;
    std::optional<std::string> home;
    std::string folder;
};

TEST(ApiCatalogue, UserFolderFollowsTheDataHomeOrTheHomeFolder) {
    const FolderCase cases[] = {
        {"/data", "/home/u", "/data/vorlan/API/"},
        {"/data/", "/home/u", "/data/vorlan/API/"},
        {std::nullopt, "/home/u", "/home/u/.local/share/vorlan/API/"},
        {"", "/home/u", "/home/u/.local/share/vorlan/API/"},
        {"relative/data", "/home/u", "/home/u/.local/share/vorlan/API/"},  // only absolute paths count
        {std::nullopt, std::nullopt, ""},
        {std::nullopt, "relative", ""},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.dataHome.value_or("(unset)") + " " + c.home.value_or("(unset)"));
        const ScopedVariable dataHome("XDG_DATA_HOME", c.dataHome);
        const ScopedVariable home("HOME", c.home);
        EXPECT_EQ(UserApiFolderFromEnvironment(), c.folder);
    }
}

class ApiCatalogueFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ApiFolder = (work_ / "own").string() + "/";
        UserApiFolder = (work_ / "user").string() + "/";
    }
    void TearDown() override {
        ApiFolder.clear();
        UserApiFolder.clear();
    }
    void Make(const std::string& folder, const std::vector<std::string>& names) {
        for (const std::string& name : names) WriteFile(work_ / folder / name, folder);
    }
    TempDir work_;
};

TEST_F(ApiCatalogueFolders, ProgramsArchivesComeFirstThenTheUsersEachByExtension) {
    Make("own", {"b.zip", "a.jar", "readme.txt"});
    Make("user", {"d.zip", "c.rar", "e.jar", "a.jar"});  // a.jar: the program's own stands
    EXPECT_EQ(ReadApiCatalogue(), (std::vector<std::string>{"a.jar", "b.zip", "c.rar", "e.jar", "d.zip"}));
    EXPECT_EQ(ApiArchivePath("a.jar"), ApiFolder + "a.jar");
    EXPECT_EQ(ApiArchivePath("b.zip"), ApiFolder + "b.zip");
    EXPECT_EQ(ApiArchivePath("c.rar"), UserApiFolder + "c.rar");
    EXPECT_EQ(ReadFile(ApiArchivePath("d.zip")), "user");
}

TEST_F(ApiCatalogueFolders, EitherFolderMayBeMissing) {
    Make("user", {"u.jar"});
    EXPECT_EQ(ReadApiCatalogue(), std::vector<std::string>{"u.jar"});
    fs::remove_all(work_ / "user");
    Make("own", {"o.zip"});
    EXPECT_EQ(ReadApiCatalogue(), std::vector<std::string>{"o.zip"});
    UserApiFolder.clear();
    EXPECT_EQ(ReadApiCatalogue(), std::vector<std::string>{"o.zip"});
    EXPECT_EQ(ApiArchivePath("gone.jar"), ApiFolder + "gone.jar");
}

}  // namespace
}  // namespace vorlan::test
