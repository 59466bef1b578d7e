// SPDX-License-Identifier: MIT
// Replacing one file at once: permissions kept, nothing left beside it, the
// old file untouched when the new one is given up, and the leftovers of a
// killed run removed only when no other run works in the folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "filecommit/CommitGroup.h"
#include "filecommit/CommitJournal.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

TEST(ReplaceFileTest, SavingReplacesTheFileKeepingItsPermissionsAndLeavesNothingBeside) {
    TempDir dir;
    const fs::path jad = dir / "Snake.jad";
    WriteFile(jad, "old");
    fs::permissions(jad, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ReplaceFileNow(jad.string(), "MIDlet-Name: Snake\r\n");
    EXPECT_EQ(ReadFile(jad), "MIDlet-Name: Snake\r\n");
    EXPECT_EQ(fs::status(jad).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFileTest, ANewFileGetsOrdinaryPermissionsNotPrivateOnes) {
    TempDir dir;
    const mode_t previous = umask(022);
    ReplaceFileNow((dir / "new.jad").string(), "x");
    umask(previous);
    EXPECT_EQ(fs::status(dir / "new.jad").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(ReplaceFileTest, AReadOnlyFileIsNotReplaced) {
    TempDir dir;
    const fs::path jad = dir / "Snake.jad";
    WriteFile(jad, "old");
    fs::permissions(jad, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_THROW(ReplaceFileNow(jad.string(), "new"), std::runtime_error);
    EXPECT_EQ(ReadFile(jad), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFileTest, AnUncommittedFileLeavesTheOldOneAsItWas) {
    TempDir dir;
    const fs::path jar = dir / "Snake.jar";
    WriteFile(jar, "old suite");
    {
        PendingFile replacement = PendingFile::Beside(jar.string());
        replacement.Write("half a new su");
        replacement.GiveHiddenName();
        EXPECT_TRUE(fs::exists(dir / replacement.HiddenName()));
    }  // given up, as when a later step throws
    EXPECT_EQ(ReadFile(jar), "old suite");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFileTest, AVeryLongNameStillGetsATemporaryFileBesideIt) {
    TempDir dir;
    const fs::path jad = dir / (std::string(250, 'n') + ".jad");
    ReplaceFileNow(jad.string(), "long");
    EXPECT_EQ(ReadFile(jad), "long");
}

// A folder others may write to can have its path made to lead elsewhere
// (the folder renamed, a link put in its place) after a pending file was made
// in it: the commit still takes place in that folder, and nothing (no
// journal, no file) appears where the link leads.
TEST(ReplaceFileTest, ACommitStaysInTheFolderThePendingFileWasMadeIn) {
    TempDir dir;
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    CommitGroup group;
    for (const char* name : {"Snake.jad", "Frog.jad"}) {
        CommitUnit unit;
        PendingFile jad = PendingFile::Beside((dir / "out" / name).string());
        jad.Write("new");
        if (std::string(name) == "Snake.jad")
            unit.Add(jad, (dir / "out").string());
        else
            unit.AddAlone(std::move(jad), (dir / "out").string());
        group.Add(std::move(unit));
    }
    fs::rename(dir / "out", dir / "moved");
    fs::create_directory_symlink(dir / "elsewhere", dir / "out");
    EXPECT_EQ(group.Commit(), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(ReadFile(dir / "moved" / "Snake.jad"), "new");
    EXPECT_EQ(ReadFile(dir / "moved" / "Frog.jad"), "new");
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "moved"), fs::directory_iterator()), 2);
}

// A unit's one file has no name at all until its group commits: nothing
// beside the old file meanwhile, nothing left when the unit is given up,
// and an old file of its name replaced.
TEST(ReplaceFileTest, AUnitsOneFileIsUnnamedUntilTheCommit) {
    TempDir dir;
    WriteFile(dir / "Frog.jad", "old");
    CommitGroup group;
    for (const char* name : {"Snake.jad", "Frog.jad", "Toad.jad"}) {
        CommitUnit unit;
        PendingFile jad = PendingFile::Beside((dir / name).string());
        jad.Write(std::string("new ") + name);
        unit.AddAlone(std::move(jad), dir.path().string());
        if (std::string(name) != "Toad.jad") group.Add(std::move(unit));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(group.Commit(), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(ReadFile(dir / "Snake.jad"), "new Snake.jad");
    EXPECT_EQ(ReadFile(dir / "Frog.jad"), "new Frog.jad");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A pending file nobody holds is a killed run's leftover only when no other
// live process works in the folder: one that does may be between an
// engine's rename over its stand-in and taking the new file's lock.
TEST(ReplaceFileTest, RecoveryRemovesUnheldPendingFilesOnlyWhenAloneInTheFolder) {
    TempDir dir;
    const fs::path pending = dir / PendingNameFor("Snake.jar");
    WriteFile(pending, "an engine's new archive, not yet locked");
    {
        const FileDescriptor otherProcess(::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_EQ(::flock(otherProcess.Get(), LOCK_SH), 0);
        const FileDescriptor presence = RecoverFolder(dir.str()).presence;
        EXPECT_TRUE(fs::exists(pending)) << "removed while another process works here";
    }
    const FileDescriptor presence = RecoverFolder(dir.str()).presence;
    EXPECT_FALSE(fs::exists(pending)) << "a killed run's leftover stayed";
    // The recovering run now counts as working in the folder itself.
    const FileDescriptor laterRun(::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    EXPECT_NE(::flock(laterRun.Get(), LOCK_EX | LOCK_NB), 0);
}

}  // namespace
}  // namespace vorlan::test
