// Listing a folder and deleting a folder tree.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

// Deletes every file and folder below path, then path itself. True when all of
// it, the folder included, is gone. A trailing "/" is allowed.
bool DeleteFolderTree(const std::string& path);

// Appends to list the names of the entries matching pattern (a folder, "/" and
// a wildcard name), "." and ".." excepted. True when something matched and the
// enumeration ran to its end.
bool ListFolderEntries(const std::string& pattern, std::vector<std::string>& list);

// The path without one trailing separator ("/" on this system; the name is the
// one the Windows program used).
std::string StripTrailingBackslash(const std::string& path);

}  // namespace vorlan
