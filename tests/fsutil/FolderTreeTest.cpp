// SPDX-License-Identifier: MIT
// Folder-tree deletion, folder listing and walking, and the trailing-separator helper.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "fsutil/FileSystemOperations.h"
#include "fsutil/FilesBelow.h"
#include "fsutil/FolderTree.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

// The real file system, except that removing the named entries fails (as a
// file held open on Windows, or one root could delete anyway), and every call
// is recorded.
class FailingFileSystem : public FileSystemOperations {
public:
    std::set<std::string> undeletable;
    std::vector<std::string> calls;

    bool ListEntries(const std::string& pattern, std::vector<std::string>& names) override {
        calls.push_back("list " + pattern);
        return SystemFileSystem().ListEntries(pattern, names);
    }
    EntryKind KindOf(const std::string& path) override {
        calls.push_back("kind " + path);
        return SystemFileSystem().KindOf(path);
    }
    bool MakeFolderAccessible(const std::string& path) override {
        calls.push_back("access " + path);
        return SystemFileSystem().MakeFolderAccessible(path);
    }
    bool RemoveFile(const std::string& path) override {
        calls.push_back("remove " + path);
        return !undeletable.count(path) && SystemFileSystem().RemoveFile(path);
    }
    bool RemoveFolder(const std::string& path) override {
        calls.push_back("rmdir " + path);
        return !undeletable.count(path) && SystemFileSystem().RemoveFolder(path);
    }
};

// A tree with dot-files, entries without write permission and nested folders.
void MakeAwkwardTree(const fs::path& top) {
    WriteFile(top / "plain.txt", "x");
    WriteFile(top / ".hidden", "x");
    WriteFile(top / "sub" / "read-only.class", "x");
    WriteFile(top / "sub" / ".deeper" / "a" / "b.txt", "x");
    WriteFile(top / "locked" / "inside.txt", "x");
    fs::create_directory(top / "empty");
    fs::permissions(top / "sub" / "read-only.class", fs::perms::owner_read);
    fs::permissions(top / "sub" / ".deeper", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(top / "locked", fs::perms::none);
}

TEST(DeleteFolderTree, RemovesEverythingWithTheFolder) {
    TempDir dir;
    MakeAwkwardTree(dir / "tree");
    EXPECT_TRUE(DeleteFolderTree((dir / "tree").string()));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    fs::create_directory(dir / "empty");
    EXPECT_TRUE(DeleteFolderTree((dir / "empty").string() + "/"));
    EXPECT_FALSE(fs::exists(dir / "empty"));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(DeleteFolderTree, MissingFolderFileAndRefusedPathsGiveFalse) {
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_FALSE(DeleteFolderTree((dir / "missing").string()));
    EXPECT_FALSE(DeleteFolderTree((dir / "file").string()));
    EXPECT_TRUE(fs::exists(dir / "file"));
    FailingFileSystem recorder;
    for (const std::string refused : {"", "/", "//"}) {
        EXPECT_FALSE(DeleteFolderTree(refused, recorder)) << refused;
    }
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(DeleteFolderTree, LinksAreRemovedAsLinksAndNeverFollowed) {
    TempDir dir, outside;
    WriteFile(outside / "data" / "keep.txt", "keep");
    WriteFile(outside / "file.txt", "keep");
    WriteFile(dir / "tree" / "a.txt", "x");
    fs::create_directory_symlink(outside / "data", dir / "tree" / "junction");
    fs::create_symlink(outside / "file.txt", dir / "tree" / "filelink");
    fs::create_symlink(dir / "nowhere", dir / "tree" / "dangling");
    EXPECT_TRUE(DeleteFolderTree((dir / "tree").string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "tree")));
    EXPECT_EQ(test::ReadFile(outside / "data" / "keep.txt"), "keep");
    EXPECT_EQ(test::ReadFile(outside / "file.txt"), "keep");

    // A path that is itself a link is refused: its target is not the caller's tree.
    fs::create_directory_symlink(outside / "data", dir / "toplink");
    EXPECT_FALSE(DeleteFolderTree((dir / "toplink").string() + "/"));
    EXPECT_TRUE(fs::exists(outside / "data" / "keep.txt"));
}

TEST(DeleteFolderTree, UndeletableEntryKeepsItsFoldersAndEverythingElseGoes) {
    TempDir dir;
    const fs::path top = dir / "tree";
    MakeAwkwardTree(top);
    WriteFile(top / "sub" / "other.txt", "x");
    FailingFileSystem fileSystem;
    fileSystem.undeletable.insert((top / "sub" / ".deeper" / "a" / "b.txt").string());
    EXPECT_FALSE(DeleteFolderTree(top.string(), fileSystem));
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(top))
        left.push_back(fs::relative(entry.path(), top).string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"sub", "sub/.deeper", "sub/.deeper/a", "sub/.deeper/a/b.txt"}));
}

TEST(FileSystemOperations, MakesFoldersAccessibleButNeverThroughALink) {
    TempDir dir;
    fs::create_directory(dir / "closed");
    fs::create_directory(dir / "target");
    fs::permissions(dir / "closed", fs::perms::none);
    fs::permissions(dir / "target", fs::perms::owner_read);
    fs::create_directory_symlink(dir / "target", dir / "link");
    EXPECT_TRUE(SystemFileSystem().MakeFolderAccessible((dir / "closed").string()));
    EXPECT_EQ(fs::status(dir / "closed").permissions() & fs::perms::owner_all, fs::perms::owner_all);
    EXPECT_FALSE(SystemFileSystem().MakeFolderAccessible((dir / "link").string()));
    EXPECT_EQ(fs::status(dir / "target").permissions() & fs::perms::owner_all, fs::perms::owner_read);
    EXPECT_EQ(SystemFileSystem().KindOf((dir / "link").string()), EntryKind::Other);
    EXPECT_EQ(SystemFileSystem().KindOf((dir / "missing").string()), EntryKind::Missing);
}

TEST(ListFolderEntries, ListsEveryEntryButDotsAndTellsHowTheListingEnded) {
    TempDir dir;
    std::vector<std::string> list{"kept"};
    EXPECT_TRUE(ListFolderEntries(dir.str() + "/*.*", list));  // "." and ".." matched
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
    EXPECT_FALSE(ListFolderEntries(dir.str() + "/missing/*.*", list));
    EXPECT_FALSE(ListFolderEntries(dir.str() + "/*.jar", list));

    WriteFile(dir / ".hidden", "");
    WriteFile(dir / "NoExtension", "");
    fs::create_directory(dir / "folder.d");
    EXPECT_TRUE(ListFolderEntries(dir.str() + "/*.*", list));
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{".hidden", "NoExtension", "folder.d", "kept"}));
}

TEST(ForEachFileBelow, GivesEveryFileDepthFirstThroughFileLinksButNeverIntoFolderLinks) {
    TempDir dir, outside;
    WriteFile(outside / "data" / "secret.class", "x");
    WriteFile(outside / "file.class", "x");
    WriteFile(dir / "top.class", "x");
    WriteFile(dir / "a" / "one.class", "x");
    WriteFile(dir / "a" / "b" / "two.class", "x");
    WriteFile(dir / "c" / "three.txt", "x");
    fs::create_directory(dir / "empty");
    fs::create_directory_symlink(outside / "data", dir / "a" / "folderlink");
    fs::create_symlink(outside / "file.class", dir / "c" / "filelink.class");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    std::vector<std::string> seen;
    ForEachFileBelow(dir.str(), [&seen](const std::string& name) {
        seen.push_back(name);
        return true;
    });
    // A folder's files follow one another: the walk finishes a folder before the next item.
    const auto under = [&seen](const std::string& prefix) {
        std::vector<std::size_t> places;
        for (std::size_t i = 0; i < seen.size(); ++i)
            if (seen[i].rfind(prefix, 0) == 0) places.push_back(i);
        return places.empty() || places.back() - places.front() + 1 == places.size();
    };
    EXPECT_TRUE(under("a/") && under("a/b/") && under("c/")) << ::testing::PrintToString(seen);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"a/b/two.class", "a/one.class", "c/filelink.class", "c/three.txt",
                                              "top.class"}));

    std::size_t visits = 0;
    ForEachFileBelow(dir.str(), [&visits](const std::string&) { return ++visits < 2; });
    EXPECT_EQ(visits, 2U);
    ForEachFileBelow((dir / "missing").string(), [](const std::string&) -> bool { throw std::logic_error("called"); });
}

TEST(StripTrailingBackslash, RemovesOneTrailingSeparatorOnly) {
    EXPECT_EQ(StripTrailingBackslash("/tmp/vorlan/"), "/tmp/vorlan");
    EXPECT_EQ(StripTrailingBackslash("/tmp/vorlan//"), "/tmp/vorlan/");
    EXPECT_EQ(StripTrailingBackslash("/tmp/vorlan"), "/tmp/vorlan");
    EXPECT_EQ(StripTrailingBackslash("C:\\temp\\"), "C:\\temp\\");  // "\" is a name character here
    EXPECT_EQ(StripTrailingBackslash(""), "");
}

}  // namespace
}  // namespace vorlan
