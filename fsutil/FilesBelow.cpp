// SPDX-License-Identifier: MIT
// Walking a folder tree through descriptors, a folder inside the one above it.
#include "fsutil/FilesBelow.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/FolderListing.h"

namespace vorlan {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

enum class ItemKind { Other, File, Folder };

// The kind listed, or for a link or an unknown kind what fstatat finds (a
// link followed for files only: folders are entered through openat without
// following links).
ItemKind KindOf(int folderFd, const ListedItem& item) {
    if (item.type == DT_REG) return ItemKind::File;
    if (item.type == DT_DIR) return ItemKind::Folder;
    if (item.type != DT_LNK && item.type != DT_UNKNOWN) return ItemKind::Other;
    struct stat status {};
    if (::fstatat(folderFd, item.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return ItemKind::Other;
    if (S_ISDIR(status.st_mode)) return ItemKind::Folder;
    if (S_ISLNK(status.st_mode) && ::fstatat(folderFd, item.name.c_str(), &status, 0) != 0) return ItemKind::Other;
    return S_ISREG(status.st_mode) ? ItemKind::File : ItemKind::Other;
}

// False when the walk is to end.
bool WalkFolder(int folderFd, const std::string& prefix, const std::function<bool(const std::string&)>& visit) {
    std::vector<ListedItem> items;
    if (!ListFolder(folderFd, items)) return false;
    for (const ListedItem& item : items) {
        const ItemKind kind = KindOf(folderFd, item);
        if (kind == ItemKind::File && !visit(prefix + item.name)) return false;
        if (kind != ItemKind::Folder) continue;
        const int innerFd = ::openat(folderFd, item.name.c_str(), kFolderFlags);
        if (innerFd < 0) return false;
        const bool goOn = WalkFolder(innerFd, prefix + item.name + "/", visit);
        ::close(innerFd);
        if (!goOn) return false;
    }
    return true;
}

}  // namespace

void ForEachFileBelow(const std::string& folder, const std::function<bool(const std::string&)>& visit) {
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return;
    static_cast<void>(WalkFolder(folderFd, "", visit));
    ::close(folderFd);
}

}  // namespace vorlan
