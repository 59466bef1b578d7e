// SPDX-License-Identifier: MIT
// Walking a folder tree through descriptors, a folder inside the one above it.
#include "fsutil/FilesBelow.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

#include "filecommit/FileDescriptor.h"
#include "platform/FolderListing.h"

namespace vorlan {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// False when the walk is to end.
bool WalkFolder(int folderFd, const std::string& prefix, const std::function<bool(const std::string&)>& visit) {
    std::vector<ListedItem> items;
    if (!ListFolder(folderFd, items)) return false;
    for (const ListedItem& item : items) {
        const ItemKind kind = KindOf(folderFd, item.name, item.type);
        if (kind == ItemKind::File && !visit(prefix + item.name)) return false;
        if (kind != ItemKind::Folder) continue;
        // Held so that a visit that throws leaves no folder open.
        const FileDescriptor inner(::openat(folderFd, item.name.c_str(), kFolderFlags));
        if (!inner.Valid() || !WalkFolder(inner.Get(), prefix + item.name + "/", visit)) return false;
    }
    return true;
}

}  // namespace

ItemKind KindOf(int folderFd, const std::string& name, unsigned char listedType) {
    if (listedType == DT_REG) return ItemKind::File;
    if (listedType == DT_DIR) return ItemKind::Folder;
    if (listedType != DT_LNK && listedType != DT_UNKNOWN) return ItemKind::Other;
    struct stat status {};
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return ItemKind::Other;
    if (S_ISDIR(status.st_mode)) return ItemKind::Folder;
    if (S_ISLNK(status.st_mode) && ::fstatat(folderFd, name.c_str(), &status, 0) != 0) return ItemKind::Other;
    return S_ISREG(status.st_mode) ? ItemKind::File : ItemKind::Other;
}

void ForEachFileBelow(const std::string& folder, const std::function<bool(const std::string&)>& visit) {
    const FileDescriptor top(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (top.Valid()) static_cast<void>(WalkFolder(top.Get(), "", visit));
}

}  // namespace vorlan
