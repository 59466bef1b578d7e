// SPDX-License-Identifier: MIT
// An add that fails, is stopped, runs out of room or is killed leaves the
// archive byte for byte as it was, data in front of it included; archives it
// must not rewrite are refused; a linked archive path keeps its link.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/engines/ArchiveInspection.h"
#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

class AddSafety : public ::testing::Test {
protected:
    void SetUp() override {
        PackWith("jar", {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n"}, {"a/A.class", "class A"}}, jar_);
        original_ = ReadFile(jar_);
        WriteFile(scratch_ / "META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: X\r\n\r\n");
        // Content that does not compress, so the new archive is large.
        std::uint32_t noise = 12345;
        for (int i = 0; i < 20; ++i) {
            std::string content(100000, '\0');
            for (char& c : content) c = static_cast<char>((noise = noise * 1103515245u + 12345u) >> 24);
            WriteFile(scratch_ / ("api/C" + std::to_string(i) + ".class"), content);
        }
    }
    // The files beside the archive: a discarded update leaves nothing there.
    std::vector<std::string> besideArchive() const { return TreeOf(work_.path()); }

    // Runs the add in a child process prepared by prepare; its exit status.
    int addInChild(const std::function<void(CallbackScript&)>& prepare) {
        const pid_t child = fork();
        if (child == 0) {
            CallbackScript script;
            prepare(script);
            _exit(RunAdd({jar_, scratch_}, script) > 0 ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    // An add in a child whose files may not grow past 4 KiB: the new archive
    // cannot be written.
    int addWithFullDisk() {
        return addInChild([](CallbackScript&) {
            signal(SIGXFSZ, SIG_IGN);  // let the write fail with EFBIG rather than kill the child
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }

    TempDir work_;
    fs::path jar_ = work_ / "Game.jar";
    TempDir scratchHolder_;
    fs::path scratch_ = scratchHolder_.path();
    std::string original_;
    CallbackScript script_;
};

TEST_F(AddSafety, AStopAtAnyCallLeavesTheArchiveIdentical) {
    CallbackScript counting;
    ASSERT_EQ(RunAdd({jar_, scratch_}, counting), 21);
    const std::size_t calls = counting.calls.size();
    fs::remove(jar_);
    WriteFile(jar_, original_);
    for (std::size_t stopAt : {std::size_t{0}, std::size_t{3}, calls / 2, calls - 2, calls - 1}) {
        CallbackScript stopping;
        stopping.stopAtCall = static_cast<int>(stopAt);
        EXPECT_EQ(RunAdd({jar_, scratch_}, stopping), stopAt == calls - 1 ? 21 : 0) << stopAt;
        if (stopAt == calls - 1) break;  // the end of the batch: the work is done by then
        EXPECT_EQ(ReadFile(jar_), original_) << stopAt;
        EXPECT_EQ(besideArchive(), (std::vector<std::string>{"Game.jar"})) << stopAt;
    }
}

// Whether the file system of the folder has unnamed files (O_TMPFILE): a
// killed add leaves nothing behind there, not even a temporary file.
bool TakesUnnamedFiles(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}

TEST_F(AddSafety, AKillMidwayLeavesTheArchiveIdentical) {
    for (int killAt : {2, 5, 12, 30}) {
        const int status = addInChild([killAt](CallbackScript& script) {
            script.beforeAnswer = [killAt](int call) {
                if (call == killAt) raise(SIGKILL);
            };
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << killAt;
        EXPECT_EQ(ReadFile(jar_), original_) << killAt;
        EXPECT_TRUE(UnzipTestPasses(jar_));
        if (TakesUnnamedFiles(work_.path())) {
            EXPECT_EQ(besideArchive(), (std::vector<std::string>{"Game.jar"})) << killAt;
        }
    }
}

// With or without data in front: a full disk leaves the file as it was,
// and an add that succeeds keeps the data in front.
TEST_F(AddSafety, AFullDiskLeavesTheArchiveIdenticalDataInFrontIncluded) {
    for (const std::string stub : {"", "#!/bin/sh\necho stub\nexit 0\n"}) {
        SCOPED_TRACE(stub);
        WriteFile(jar_, stub + original_);
        const int status = addWithFullDisk();
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(ReadFile(jar_), stub + original_);
        EXPECT_EQ(besideArchive(), (std::vector<std::string>{"Game.jar"}));
        EXPECT_EQ(RunAdd({jar_, scratch_}, script_), 21);
        EXPECT_EQ(ReadFile(jar_).substr(0, stub.size()), stub);
        EXPECT_TRUE(UnzipTestPasses(jar_));
        EXPECT_EQ(InspectArchive(jar_).entries.size(), 23u);
    }
}

TEST_F(AddSafety, NonArchivesAndDuplicateNamesAreNeverRewritten) {
    ZipArchive duplicate{"", {StoredEntry("a.txt", "one"), StoredEntry("a.txt", "two")}};
    for (const std::string& content : {std::string("just some text, no archive at all"), duplicate.bytes()}) {
        WriteFile(jar_, content);
        EXPECT_EQ(RunAdd({jar_, scratch_}, script_), 0);
        EXPECT_EQ(ReadFile(jar_), content);
    }
}

TEST_F(AddSafety, ALinkedArchiveKeepsItsLinkAndPermissions) {
    fs::create_directory(work_ / "real");
    fs::rename(jar_, work_ / "real/Game.jar");
    ASSERT_EQ(::chmod((work_ / "real/Game.jar").c_str(), 0640), 0);
    fs::create_symlink("real/Game.jar", jar_);
    EXPECT_EQ(RunAdd({jar_, scratch_}, script_), 21);
    EXPECT_TRUE(fs::is_symlink(jar_));
    EXPECT_EQ(fs::read_symlink(jar_), "real/Game.jar");
    EXPECT_EQ(InspectArchive(work_ / "real/Game.jar").entries.size(), 23u);
    struct stat status {};
    ASSERT_EQ(::stat((work_ / "real/Game.jar").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(TreeOf(work_ / "real"), (std::vector<std::string>{"Game.jar"}));
}

}  // namespace
}  // namespace vorlan::test
