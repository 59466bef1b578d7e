// SPDX-License-Identifier: MIT
// The file-system operations folder-tree deletion is built from, behind an
// interface so that a test can make one of them fail (tests run as root, which
// no permission stops).
#pragma once

#include <string>
#include <vector>

namespace vorlan {

enum class EntryKind {
    Missing,  // nothing there, or its kind cannot be read
    Folder,   // a real folder
    Other,    // a file, a symbolic link (to anything), a device, ...
};

class FileSystemOperations {
public:
    virtual ~FileSystemOperations() = default;

    // Appends the names of the entries matching pattern, as ListFolderEntries.
    virtual bool ListEntries(const std::string& pattern, std::vector<std::string>& names) = 0;
    // The entry itself: a link is Other, never what it points to.
    virtual EntryKind KindOf(const std::string& path) = 0;
    // Gives the owner read, write and search permission on a real folder, so
    // that its entries can be listed and removed. Never acts through a link.
    virtual bool MakeFolderAccessible(const std::string& path) = 0;
    // Removes a non-folder entry; a link is removed, not what it points to.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Removes an empty folder.
    virtual bool RemoveFolder(const std::string& path) = 0;
};

// The real file system.
FileSystemOperations& SystemFileSystem();

// DeleteFolderTree through the given operations.
bool DeleteFolderTree(const std::string& path, FileSystemOperations& operations);

}  // namespace vorlan
