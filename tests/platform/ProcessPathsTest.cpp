// SPDX-License-Identifier: MIT
// The executable's folder and the private scratch root, removed at exit.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/ProcessPaths.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

TEST(ProcessPaths, ExecutableFolderIsTheTestProgramsFolder) {
    const std::string folder = ExecutableFolder();
    EXPECT_EQ(folder, fs::canonical(VORLAN_TEST_BIN_DIR).string() + "/");
}

// fix.jar and API/ beside the program win (a build tree); else those of the
// install tree's data folder; with neither, the program's folder is named.
TEST(ProcessPaths, DataFolderIsBesideTheProgramElseTheInstalledOne) {
    TempDir prefix;
    const std::string programs = prefix.str() + "/libexec/vorlan/";
    const std::string data = prefix.str() + "/share/vorlan/";
    fs::create_directories(programs);
    EXPECT_EQ(DataFolderFor(programs, "../../share/vorlan"), programs);
    fs::create_directories(data + "API");
    EXPECT_EQ(DataFolderFor(programs, "../../share/vorlan"), data);
    WriteFile(programs + "fix.jar", "PK");
    EXPECT_EQ(DataFolderFor(programs, "../../share/vorlan"), programs);
    fs::remove(programs + "fix.jar");
    fs::create_directory(programs + "API");
    EXPECT_EQ(DataFolderFor(programs, "../../share/vorlan"), programs);
}

TEST(ProcessPaths, ScratchRootIsPrivateAndEndsInSlash) {
    TempDir base;
    const std::string root = CreateScratchRootIn(base.str() + "/");
    ASSERT_EQ(root.back(), '/');
    EXPECT_EQ(root.rfind(base.str() + "/vorlan-", 0), 0u) << root;
    struct stat status {};
    ASSERT_EQ(stat(root.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_NE(CreateScratchRootIn(base.str()), root);
    EXPECT_THROW(CreateScratchRootIn(base.str() + "/missing"), std::runtime_error);
}

// Restores an environment variable when the test ends.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        if (value) saved_ = value;
    }
    ~SavedVariable() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(ProcessPaths, ScratchBaseIsTheFirstWritableFolderInMemoryElseTmpdir) {
    TempDir memory, temporary;
    const SavedVariable savedTmpdir("TMPDIR");
    setenv("TMPDIR", temporary.str().c_str(), 1);
    EXPECT_EQ(ScratchBaseFolderAmong({"", memory.str()}), memory.str());
    // Missing, relative, a file, not writable: each is passed over.
    WriteFile(memory / "file", "x");
    fs::create_directory(memory / "locked");
    fs::permissions(memory / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const bool canWriteLocked = access((memory / "locked").c_str(), W_OK) == 0;  // root may write anywhere
    EXPECT_EQ(ScratchBaseFolderAmong({memory.str() + "/missing", "relative", (memory / "file").string()}),
              temporary.str());
    if (!canWriteLocked) {
        EXPECT_EQ(ScratchBaseFolderAmong({(memory / "locked").string()}), temporary.str());
    }
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(ScratchBaseFolderAmong({}), "/tmp");
}

TEST(ProcessPaths, ScratchRootGoesToTheRuntimeFolderAndStaysTheSame) {
    TempDir runtime;
    const SavedVariable savedRuntime("XDG_RUNTIME_DIR");
    setenv("XDG_RUNTIME_DIR", runtime.str().c_str(), 1);
    EXPECT_EQ(ScratchBaseFolder(), runtime.str());
    const std::string root = CreateScratchRoot();
    EXPECT_EQ(root.rfind(runtime.str() + "/vorlan-", 0), 0u) << root;
    EXPECT_EQ(CreateScratchRoot(), root);
}

// Runs body in a child process that then exits normally (running the exit
// handlers), and gives its exit status.
template <typename Body>
int InChildThatExits(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        std::exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProcessPaths, ScratchRootIsRemovedAtExitWithoutFollowingLinks) {
    TempDir base, outside;
    WriteFile(outside / "keep.txt", "outside");
    const std::string root = base.str() + "/root";
    ASSERT_EQ(InChildThatExits([&] {
                  const std::string made = CreateScratchRootIn(base.str());
                  fs::rename(made, root);  // a known name the parent can look for
                  fs::create_directory(made);
                  WriteFile(made + "vorlan/META-INF/manifest.mf", "x");
                  fs::create_directory_symlink(outside.path(), made + "vorlan/outside");
                  fs::permissions(made + "vorlan/META-INF", fs::perms::owner_read);
                  fs::permissions(made + "vorlan", fs::perms::none);
              }),
              0);
    EXPECT_TRUE(fs::exists(root));  // renamed away: not the child's root any more
    EXPECT_EQ(std::distance(fs::directory_iterator(base.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(test::ReadFile(outside / "keep.txt"), "outside");
}

// Dates a folder a minute back, as a root left by a run killed a while ago.
void MakeOld(const std::string& folder) {
    struct timeval times[2] = {};
    times[0].tv_sec = times[1].tv_sec = time(nullptr) - 60;
    ASSERT_EQ(utimes(folder.c_str(), times), 0) << folder;
}

// A root made by a child process that is then killed: it had no chance to
// remove its root, and its lock went with it.
std::string RootOfAKilledRun(const TempDir& base) {
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        const std::string made = CreateScratchRootIn(base.str());
        const std::string name = made.substr(base.str().size() + 1);
        static_cast<void>(write(channel[1], name.data(), name.size()));
        close(channel[1]);
        pause();
        _exit(0);
    }
    close(channel[1]);
    char name[64] = {};
    EXPECT_GT(read(channel[0], name, sizeof name - 1), 0);
    close(channel[0]);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return base.str() + "/" + name;
}

TEST(ProcessPaths, RootsOfKilledRunsAreSweptAndLiveOnesKept) {
    TempDir base, outside;
    WriteFile(outside / "keep.txt", "outside");
    const std::string abandoned = RootOfAKilledRun(base);
    WriteFile(abandoned + "vorlan/META-INF/MANIFEST.MF", "x");
    fs::create_directory_symlink(outside.path(), abandoned + "vorlan/outside");
    MakeOld(abandoned);

    // Alive: its lock is held (here by this process, on another descriptor).
    const std::string live = RootOfAKilledRun(base);
    MakeOld(live);
    const int liveLock = open(live.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(liveLock, LOCK_EX | LOCK_NB), 0);
    // Just made: its process may not have locked it yet.
    const std::string young = RootOfAKilledRun(base);
    // Not roots: another name, a file, a link to a folder.
    fs::create_directory(base / "vorlan-keep-me");
    MakeOld((base / "vorlan-keep-me").string());
    WriteFile(base / "vorlan-a1b2c3", "a file");
    fs::create_directory_symlink(outside.path(), base / "vorlan-d4e5f6");

    const std::string mine = CreateScratchRootIn(base.str());
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_EQ(test::ReadFile(outside / "keep.txt"), "outside");
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::exists(base / "vorlan-keep-me"));
    EXPECT_TRUE(fs::exists(base / "vorlan-a1b2c3"));
    EXPECT_TRUE(fs::is_symlink(base / "vorlan-d4e5f6"));
    EXPECT_TRUE(fs::exists(mine));
    close(liveLock);
}

TEST(ProcessPaths, ChildProcessLeavesTheParentsRootAlone) {
    TempDir base;
    const std::string root = CreateScratchRootIn(base.str());
    ASSERT_EQ(InChildThatExits([] {}), 0);
    EXPECT_TRUE(fs::exists(root));
}

}  // namespace
}  // namespace vorlan
