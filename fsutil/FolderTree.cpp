// SPDX-License-Identifier: MIT
// Folder listing and folder-tree deletion, depth first, links never followed.
#include "fsutil/FolderTree.h"

#include "fsutil/FileSystemOperations.h"
#include "platform/FindFiles.h"

namespace vorlan {

namespace {

// "" and "/" would start the deletion at the root of the file system.
bool IsRefused(const std::string& folder) {
    return folder.find_first_not_of('/') == std::string::npos;
}

bool DeleteEntry(const std::string& path, FileSystemOperations& operations) {
    // Only a real folder is entered: a link to one is an entry of its own and
    // goes like a file, so nothing outside the tree is ever deleted. An entry
    // whose kind cannot be read is tried as a file too.
    if (operations.KindOf(path) == EntryKind::Folder) return DeleteFolderTree(path, operations);
    return operations.RemoveFile(path);
}

}  // namespace

std::string StripTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '/') return path.substr(0, path.size() - 1);
    return path;
}

bool ListFolderEntries(const std::string& pattern, std::vector<std::string>& list) {
    std::vector<FoundFile> found;
    const FindOutcome outcome = FindFilesWithDotEntries(pattern, found);
    for (const FoundFile& file : found) list.push_back(file.name);
    return outcome.readToEnd && (!found.empty() || outcome.dotEntryMatched);
}

bool DeleteFolderTree(const std::string& path, FileSystemOperations& operations) {
    const std::string folder = StripTrailingBackslash(path);
    if (IsRefused(folder)) return false;
    if (operations.KindOf(folder) != EntryKind::Folder) return false;  // missing, a file or a link
    // Failing here is not final: whatever cannot be listed or removed below
    // makes the result false anyway.
    operations.MakeFolderAccessible(folder);
    std::vector<std::string> names;  // all collected first: deleting must not disturb the listing
    operations.ListEntries(folder + "/*.*", names);
    bool result = true;
    for (const std::string& name : names)
        if (!DeleteEntry(folder + "/" + name, operations)) result = false;
    return result && operations.RemoveFolder(folder);
}

bool DeleteFolderTree(const std::string& path) {
    return DeleteFolderTree(path, SystemFileSystem());
}

}  // namespace vorlan
