// SPDX-License-Identifier: MIT
// Derived names looked up ignoring letter case, one folder reading per batch.
#include "midlet/FolderNameIndex.h"

#include <sys/stat.h>

#include <utility>
#include <vector>

#include "midlet/PathNames.h"
#include "platform/FolderListing.h"

namespace vorlan {

namespace {

struct SplitPath {
    std::string folder;  // with its final "/", or empty
    std::string name;
};

SplitPath Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

std::size_t FolderNameIndex::CaseInsensitiveHash::operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ULL;  // FNV-1a over the lower-cased bytes
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool FolderNameIndex::CaseInsensitiveEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsIgnoringCase(a, b);
}

FolderNameIndex::Names& FolderNameIndex::NamesOf(const std::string& folder) {
    const auto known = folders_.find(folder);
    if (known != folders_.end()) return known->second;
    Names& names = folders_[folder];
    std::vector<ListedItem> items;
    // An unreadable folder has no other spelling to offer: what was listed stands.
    static_cast<void>(ListFolder(folder.empty() ? "." : folder, items));
    for (ListedItem& item : items) names.insert(std::move(item.name));  // of several spellings, the first listed
    return names;
}

std::string FolderNameIndex::ExistingNameInAnyCase(const std::string& path) {
    const SplitPath split = Split(path);
    const Names& names = NamesOf(split.folder);
    const auto found = names.find(split.name);
    // Without another spelling on record the answer is path whether or not
    // something exists under it: no need to look.
    if (found == names.end() || *found == split.name) return path;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) return path;
    // Still there? Then it is the file; if it went meanwhile, path names a new one.
    const std::string existing = split.folder + *found;
    return lstat(existing.c_str(), &info) == 0 ? existing : path;
}

void FolderNameIndex::Created(const std::string& path) {
    const SplitPath split = Split(path);
    const auto known = folders_.find(split.folder);
    if (known != folders_.end()) known->second.insert(split.name);
}

}  // namespace vorlan
