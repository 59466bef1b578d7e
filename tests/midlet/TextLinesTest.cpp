// The text form of manifests and descriptors: how files are split into lines,
// how lines are written, and that a file is never half-replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "filecommit/CommitJournal.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "midlet/TextLines.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    std::string text;
    Lines lines;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAsWindowsStringListsDo) {
    EXPECT_EQ(SplitTextLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, SplitTest,
                         ::testing::Values(SplitCase{"", {}},  //
                                           SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\nb\n", {"a", "b"}},
                                           SplitCase{"a\rb\r", {"a", "b"}},
                                           SplitCase{"a\r\n\r\nb", {"a", "", "b"}},  // empty line in the middle stays
                                           SplitCase{"a\r\n\r\n", {"a", ""}},        // and at the end
                                           SplitCase{"a\n\rb", {"a", "", "b"}},      // LF CR is two breaks
                                           SplitCase{"\r\n", {""}}, SplitCase{"no break", {"no break"}},
                                           SplitCase{"a\r\r\nb", {"a", "", "b"}},
                                           SplitCase{std::string("ab\0cd\r\ne", 8), {"ab"}},  // NUL ends the text
                                           SplitCase{std::string("a\r\n\0b", 5), {"a"}},
                                           SplitCase{" continued\r\n line\r\n", {" continued", " line"}}));

TEST(TextLinesTest, WritesCrLfAfterEveryLineTheLastToo) {
    TextLines lines;
    lines.SetText("one\ntwo\rthree");
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n");
    lines.Add("");
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n\r\n");
    lines.Clear();
    EXPECT_EQ(lines.Text(), "");
}

TEST(TextLinesTest, LoadReplacesTheWholeContentAndSaveRoundTrips) {
    TempDir dir;
    WriteFile(dir / "in.mf", "MIDlet-Name: A\nMIDlet-Vendor: B\n");
    TextLines lines;
    lines.SetText("old\r\nlines\r\nhere\r\n");
    lines.LoadFromFile((dir / "in.mf").string());
    EXPECT_EQ(lines.Lines(), (Lines{"MIDlet-Name: A", "MIDlet-Vendor: B"}));
    lines.SaveToFile((dir / "out.jad").string());
    EXPECT_EQ(ReadFile(dir / "out.jad"), "MIDlet-Name: A\r\nMIDlet-Vendor: B\r\n");
}

TEST(TextLinesTest, AFailedLoadKeepsTheContent) {
    TempDir dir;
    TextLines lines;
    lines.SetText("kept\r\n");
    EXPECT_THROW(lines.LoadFromFile((dir / "missing.mf").string()), std::runtime_error);
    EXPECT_THROW(lines.LoadFromFile(dir.str()), std::runtime_error);  // a folder
    EXPECT_EQ(lines.Lines(), Lines{"kept"});
}

TEST(TextLinesTest, RefusesFilesLargerThanSixteenMebibytes) {
    TempDir dir;
    const fs::path big = dir / "big.mf";
    WriteFile(big, "MIDlet-Name: Big\r\n");
    fs::resize_file(big, TextLines::kMaxFileSize + 1);  // sparse: no disk used
    TextLines lines;
    lines.SetText("kept");
    try {
        lines.LoadFromFile(big.string());
        FAIL() << "a file over 16 MiB was loaded";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("16 MiB"), std::string::npos) << error.what();
    }
    EXPECT_EQ(lines.Lines(), Lines{"kept"});

    fs::resize_file(big, TextLines::kMaxFileSize);  // the limit itself is fine
    lines.LoadFromFile(big.string());
    EXPECT_EQ(lines[0], "MIDlet-Name: Big");
}

TEST(ReplaceFileTest, SavingReplacesTheFileKeepingItsPermissionsAndLeavesNothingBeside) {
    TempDir dir;
    const fs::path jad = dir / "Snake.jad";
    WriteFile(jad, "old");
    fs::permissions(jad, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    TextLines lines;
    lines.SetText("MIDlet-Name: Snake");
    lines.SaveToFile(jad.string());
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
