// The executable's folder and the private scratch root, removed at exit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
        if (saved_) setenv(name_, saved_->c_str(), 1); else unsetenv(name_);
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
    }), 0);
    EXPECT_TRUE(fs::exists(root));  // renamed away: not the child's root any more
    EXPECT_EQ(std::distance(fs::directory_iterator(base.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(test::ReadFile(outside / "keep.txt"), "outside");
}

TEST(ProcessPaths, ChildProcessLeavesTheParentsRootAlone) {
    TempDir base;
    const std::string root = CreateScratchRootIn(base.str());
    ASSERT_EQ(InChildThatExits([] {}), 0);
    EXPECT_TRUE(fs::exists(root));
}

}  // namespace
}  // namespace vorlan
