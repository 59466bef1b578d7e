// SPDX-License-Identifier: MIT
// Wildcard enumeration of a folder, as FindFirstFile/FindNextFile gave it:
// the pattern is a folder, "/" and a name with "*" and "?"; names match
// ignoring letter case; entries of every kind (files, folders, links, dot-files,
// files without write permission) are found; "." and ".." are skipped; the
// order is the file system's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlan {

struct FoundFile {
    std::string name;        // bare name, without the folder
    bool isFolder = false;   // a real folder (a link to one is not)
    std::uint64_t size = 0;  // bytes, for files
};

enum class FindResult {
    Found,         // at least one entry matched and the enumeration ran to its end
    NothingFound,  // the folder is missing or unreadable, or nothing matched
    Interrupted    // some entries were found, then reading the folder failed
};

FindResult FindFiles(const std::string& pattern, std::vector<FoundFile>& found);

// What FindFirstFile would have said besides the entries: whether "." or ".."
// matched the pattern. The Windows enumeration reported them as entries, so a
// pattern such as "folder/*.*" found something even in an empty folder.
struct FindOutcome {
    FindResult result = FindResult::NothingFound;
    bool dotEntryMatched = false;
    bool readToEnd = false;  // the folder was opened and read without an error
};
FindOutcome FindFilesWithDotEntries(const std::string& pattern, std::vector<FoundFile>& found);

// Appends to list the bare names of the entries of folder matching "*" +
// extension; true when at least one matched. Fills the API catalogue.
bool AddFilesByExtension(const std::string& folder, const std::string& extension, std::vector<std::string>& list);

}  // namespace vorlan
