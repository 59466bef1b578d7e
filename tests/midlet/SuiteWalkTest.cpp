// SPDX-License-Identifier: MIT
// The suites a folder walk takes, over one generated tree that holds every
// kind of entry a collection may have.
#include "midlet/SuiteWalk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;

void MakeCollection(const test::fs::path& root) {
    for (const char* name : {"b.jar",
                             "A.JAR",
                             "a.jad",
                             "a.jar",
                             "Lone.JAD",
                             "cased.JAR",
                             "cased.Jad",
                             "notes.txt",
                             "m.jar",
                             "m/inner.jar",
                             "sub/z.jar",
                             "sub/y.jad",
                             "sub/deep/x.Jar",
                             ".hidden/h.jar",
                             ".hidden.jar",
                             "dir.jar/in.jar",
                             ".Snake.jar.vorlan-Ab3dE6gH",
                             ".vorlan-commit-Ab3dE6gH",
                             "jar",
                             "x.jarx"}) {
        WriteFile(root / name, "bytes");
    }
    test::fs::create_directory_symlink(root / "sub", root / "linked");
    test::fs::create_symlink(root / "sub/z.jar", root / "filelink.jar");
    test::fs::create_symlink(root / "gone.jar", root / "broken.jar");
    ASSERT_EQ(mkfifo((root / "pipe.jar").c_str(), 0600), 0);
}

struct WalkCase {
    SuiteWalkKind kind;
    std::vector<std::string> expected;
};

class SuiteWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(SuiteWalkTest, TakesTheModesFilesInByteOrderDepthFirst) {
    TempDir dir;
    MakeCollection(dir.path());
    EXPECT_EQ(WalkSuites(dir.str(), GetParam().kind), GetParam().expected);
    EXPECT_EQ(WalkSuites(dir.str() + "/", GetParam().kind), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SuiteWalkTest,
    ::testing::Values(WalkCase{SuiteWalkKind::Jars,
                               {".hidden.jar", "A.JAR", "a.jar", "b.jar", "cased.JAR", "dir.jar/in.jar", "filelink.jar",
                                "m/inner.jar", "m.jar", "sub/deep/x.Jar", "sub/z.jar"}},
                      WalkCase{SuiteWalkKind::Descriptors,
                               {".hidden.jar", "Lone.JAD", "a.jad", "b.jar", "cased.Jad", "dir.jar/in.jar",
                                "filelink.jar", "m/inner.jar", "m.jar", "sub/deep/x.Jar", "sub/y.jad", "sub/z.jar"}}));

TEST(SuiteWalkErrorTest, AFolderThatCannotBeReadStopsTheWalkNamingIt) {
    TempDir dir;
    try {
        WalkSuites((dir / "missing").string(), SuiteWalkKind::Jars);
        FAIL() << "walked a missing folder";
    } catch (const SuiteWalkError& error) {
        EXPECT_NE(std::string(error.what()).find("missing"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace vorlan
