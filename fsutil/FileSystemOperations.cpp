// SPDX-License-Identifier: MIT
// The real file system behind folder-tree deletion.
#include "fsutil/FileSystemOperations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fsutil/FolderTree.h"

namespace vorlan {

namespace {

bool ReadOwnKind(const std::string& path, struct stat& status) {
    return lstat(path.c_str(), &status) == 0;
}

class SystemOperations : public FileSystemOperations {
public:
    bool ListEntries(const std::string& pattern, std::vector<std::string>& names) override {
        return ListFolderEntries(pattern, names);
    }

    EntryKind KindOf(const std::string& path) override {
        struct stat status {};
        if (!ReadOwnKind(path, status)) return EntryKind::Missing;
        return S_ISDIR(status.st_mode) ? EntryKind::Folder : EntryKind::Other;
    }

    bool MakeFolderAccessible(const std::string& path) override {
        struct stat status {};
        if (!ReadOwnKind(path, status) || !S_ISDIR(status.st_mode)) return false;
        if ((status.st_mode & S_IRWXU) == S_IRWXU) return true;
        const mode_t mode = (status.st_mode & 07777) | S_IRWXU;
        // AT_SYMLINK_NOFOLLOW: should the folder have been swapped for a link
        // since lstat, the change fails instead of reaching the link's target.
        if (fchmodat(AT_FDCWD, path.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
        // Without /proc glibc cannot change a mode without following links;
        // the folder was a real one a moment ago.
        return errno == ENOTSUP && chmod(path.c_str(), mode) == 0;
    }

    bool RemoveFile(const std::string& path) override { return unlink(path.c_str()) == 0; }

    bool RemoveFolder(const std::string& path) override { return rmdir(path.c_str()) == 0; }
};

}  // namespace

FileSystemOperations& SystemFileSystem() {
    static SystemOperations operations;
    return operations;
}

}  // namespace vorlan
