// SPDX-License-Identifier: MIT
// Grouping entries by the files they touch, and dealing the groups out.
#include "cli/EntryGroups.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <unordered_map>

#include "midlet/PathNames.h"

namespace vorlan {

namespace {

// The folder with its links resolved, worked out once per folder: a list
// names thousands of suites in a few folders.
std::string FolderKey(const std::string& folder) {
    static std::unordered_map<std::string, std::string> resolvedFolders;
    const auto known = resolvedFolders.find(folder);
    if (known != resolvedFolders.end()) return known->second;
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(folder.empty() ? "." : folder, error);
    const std::string key = error ? std::filesystem::path(folder).lexically_normal().string() : resolved.string();
    return resolvedFolders.emplace(folder, key).first->second;
}

void AddIdentityKey(const std::string& path, EntryFacts& facts) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return;
    facts.keys.push_back("file:" + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino));
}

// Union-find over entry indices.
class Groups {
public:
    explicit Groups(std::size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0); }
    int Root(int index) {
        while (Parent(index) != index) {
            Parent(index) = Parent(Parent(index));  // halves the path for later look-ups
            index = Parent(index);
        }
        return index;
    }
    // The smaller index stays the root: a group is known by its first entry.
    void Join(int a, int b) {
        a = Root(a);
        b = Root(b);
        if (a != b) Parent(std::max(a, b)) = std::min(a, b);
    }

private:
    int& Parent(int index) { return parent_[static_cast<std::size_t>(index)]; }

    std::vector<int> parent_;
};

}  // namespace

EntryFacts FactsOfEntry(const std::string& absolutePath) {
    EntryFacts facts;
    const std::size_t slash = absolutePath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : absolutePath.substr(0, slash);
    const std::string name = slash == std::string::npos ? absolutePath : absolutePath.substr(slash + 1);
    const std::string stem = name.substr(0, name.size() - std::min<std::size_t>(name.size(), 3));
    facts.keys.push_back("name:" + FolderKey(folder) + "/" + LowerAscii(stem));
    AddIdentityKey(absolutePath, facts);
    AddIdentityKey(ReplaceLastThree(absolutePath, "jar"), facts);
    AddIdentityKey(ReplaceLastThree(absolutePath, "jad"), facts);
    return facts;
}

std::vector<int> GroupOfEachEntry(const std::vector<EntryFacts>& entries) {
    Groups groups(entries.size());
    std::unordered_map<std::string, int> firstWithKey;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i)
        for (const std::string& key : entries[static_cast<std::size_t>(i)].keys) {
            const auto [known, added] = firstWithKey.emplace(key, i);
            if (!added) groups.Join(known->second, i);
        }
    // The root of a group is its first entry: number the roots as they come.
    std::vector<int> numberOfRoot(entries.size(), -1);
    std::vector<int> groupOf(entries.size());
    int groupCount = 0;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        int& number = numberOfRoot[static_cast<std::size_t>(groups.Root(i))];
        if (number < 0) number = groupCount++;
        groupOf[static_cast<std::size_t>(i)] = number;
    }
    return groupOf;
}

}  // namespace vorlan
