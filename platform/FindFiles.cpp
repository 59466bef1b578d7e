// SPDX-License-Identifier: MIT
// Wildcard enumeration over the folder listing, matching names as the Windows
// file system did: only "*" and "?" are wildcards and letter case is ignored.
#include "platform/FindFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/FolderListing.h"

namespace vorlan {

namespace {

// fnmatch gives "[", "]" and "\" a meaning of their own; in a Windows name
// pattern they are plain characters (suites are named "Game [v1.2].jar").
std::string EscapeForFnmatch(const std::string& namePattern) {
    std::string escaped;
    escaped.reserve(namePattern.size());
    for (const char c : namePattern) {
        if (c == '[' || c == ']' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// glibc's fnmatch matches names that are not valid in the locale's multibyte
// encoding byte by byte (old archives bring such names), so every name can match.
bool MatchOne(const std::string& escaped, const std::string& name) {
    return fnmatch(escaped.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

// A name pattern prepared once for a whole enumeration.
class NamePattern {
public:
    explicit NamePattern(const std::string& pattern) : escaped_(EscapeForFnmatch(pattern)) {
        // "name.*" matched "name" too ("*.*" matched every name).
        if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0) {
            escapedWithoutExtension_ = EscapeForFnmatch(pattern.substr(0, pattern.size() - 2));
            hasAlternative_ = true;
        }
    }

    bool Matches(const std::string& name) const {
        if (MatchOne(escaped_, name)) return true;
        return hasAlternative_ && MatchOne(escapedWithoutExtension_, name);
    }

private:
    std::string escaped_;
    std::string escapedWithoutExtension_;
    bool hasAlternative_ = false;
};

struct SplitPattern {
    std::string folder;
    std::string name;
};

SplitPattern Split(const std::string& pattern) {
    const size_t slash = pattern.rfind('/');
    if (slash == std::string::npos) return {".", pattern};
    return {slash == 0 ? "/" : pattern.substr(0, slash), pattern.substr(slash + 1)};
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// Kind and size of one entry. A link is never taken for a folder, but the
// size of a link to a file is the size of that file.
FoundFile Describe(int folderFd, const std::string& name, unsigned char type) {
    FoundFile file{name, false, 0};
    struct stat status {};
    if (type == DT_UNKNOWN && fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(status.st_mode))
        type = DT_DIR;
    if (type == DT_DIR) {
        file.isFolder = true;
    } else if (fstatat(folderFd, name.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode)) {
        file.size = static_cast<std::uint64_t>(status.st_size);
    }
    return file;
}

// A pattern without wildcards names one entry: when that entry exists under
// exactly this name there is no need to read the whole folder (the batch asks
// for the size of every suite it writes).
bool FindExactName(const SplitPattern& split, std::vector<FoundFile>& found) {
    if (split.name.empty() || IsDotEntry(split.name)) return false;
    if (split.name.find_first_of("*?") != std::string::npos) return false;
    const int folderFd = open(split.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return false;
    struct stat status {};
    const bool exists = fstatat(folderFd, split.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) found.push_back(Describe(folderFd, split.name, DT_UNKNOWN));
    close(folderFd);
    return exists;
}

}  // namespace

FindOutcome FindFilesWithDotEntries(const std::string& pattern, std::vector<FoundFile>& found) {
    FindOutcome outcome;
    const SplitPattern split = Split(pattern);
    if (split.name.empty()) return outcome;
    if (FindExactName(split, found)) {
        outcome.result = FindResult::Found;
        outcome.readToEnd = true;
        return outcome;
    }
    const int folderFd = open(split.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return outcome;
    const NamePattern namePattern(split.name);
    const size_t before = found.size();
    std::vector<ListedItem> items;
    outcome.readToEnd = ListFolder(folderFd, items);
    // The listing leaves out "." and "..", which every folder holds.
    outcome.dotEntryMatched = namePattern.Matches(".") || namePattern.Matches("..");
    for (const ListedItem& item : items)
        if (namePattern.Matches(item.name)) found.push_back(Describe(folderFd, item.name, item.type));
    close(folderFd);
    if (found.size() == before)
        outcome.result = FindResult::NothingFound;
    else
        outcome.result = outcome.readToEnd ? FindResult::Found : FindResult::Interrupted;
    return outcome;
}

FindResult FindFiles(const std::string& pattern, std::vector<FoundFile>& found) {
    return FindFilesWithDotEntries(pattern, found).result;
}

bool AddFilesByExtension(const std::string& folder, const std::string& extension, std::vector<std::string>& list) {
    std::string base = folder;
    if (!base.empty() && base.back() == '/') base.pop_back();
    std::vector<FoundFile> found;
    FindFiles(base + "/*" + extension, found);
    for (const FoundFile& file : found) list.push_back(file.name);
    return !found.empty();
}

}  // namespace vorlan
