// SPDX-License-Identifier: MIT
// Listing a folder and deleting a folder tree.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

// Deletes every file and folder below path, then path itself. True when all of
// it, the folder included, is gone. A trailing "/" is allowed. Entries without
// write permission and dot-files go too; a symbolic link inside the tree is
// removed as a link and never followed. An empty path, "/", and a path that is
// itself a link are refused with false and nothing is touched. A failure to
// delete one entry does not stop the others; the folders holding it stay.
bool DeleteFolderTree(const std::string& path);

// Appends to list the names of the entries matching pattern (a folder, "/" and
// a wildcard name), "." and ".." excepted. True when something matched and the
// enumeration ran to its end; "." and ".." count as matches, so "folder/*.*"
// of an empty folder gives true.
bool ListFolderEntries(const std::string& pattern, std::vector<std::string>& list);

// The path without one trailing separator ("/" on this system; the name is the
// one the Windows program used).
std::string StripTrailingBackslash(const std::string& path);

}  // namespace vorlan
