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

// Every entry costs about as much as adding a JAR of this size on top of its
// own bytes (reading the manifest, writing the descriptor, the API files).
constexpr std::uint64_t kCostOfAnyEntry = 256 * 1024;

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

void AddIdentityKey(const std::string& path, EntryFacts& facts, std::uint64_t* size) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return;
    facts.keys.push_back("file:" + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino));
    if (size != nullptr && S_ISREG(status.st_mode)) *size = static_cast<std::uint64_t>(status.st_size);
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

// Each group's members in list order, the groups ordered by their first entry.
std::vector<std::vector<int>> GroupsOf(const std::vector<EntryFacts>& entries) {
    Groups groups(entries.size());
    std::unordered_map<std::string, int> firstWithKey;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i)
        for (const std::string& key : entries[static_cast<std::size_t>(i)].keys) {
            const auto [known, added] = firstWithKey.emplace(key, i);
            if (!added) groups.Join(known->second, i);
        }
    std::vector<std::vector<int>> members(entries.size());
    for (int i = 0; i < static_cast<int>(entries.size()); ++i)
        members[static_cast<std::size_t>(groups.Root(i))].push_back(i);
    std::erase_if(members, [](const std::vector<int>& group) { return group.empty(); });
    return members;
}

}  // namespace

EntryFacts FactsOfEntry(const std::string& absolutePath) {
    EntryFacts facts;
    const std::size_t slash = absolutePath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : absolutePath.substr(0, slash);
    const std::string name = slash == std::string::npos ? absolutePath : absolutePath.substr(slash + 1);
    const std::string stem = name.substr(0, name.size() - std::min<std::size_t>(name.size(), 3));
    facts.keys.push_back("name:" + FolderKey(folder) + "/" + LowerAscii(stem));
    std::uint64_t size = 0;
    AddIdentityKey(absolutePath, facts, &size);
    AddIdentityKey(ReplaceLastThree(absolutePath, "jar"), facts, nullptr);
    AddIdentityKey(ReplaceLastThree(absolutePath, "jad"), facts, nullptr);
    facts.cost = kCostOfAnyEntry + size;
    return facts;
}

std::vector<std::vector<int>> AssignEntries(const std::vector<EntryFacts>& entries, int workers) {
    std::vector<std::vector<int>> assigned(static_cast<std::size_t>(std::max(workers, 1)));
    std::vector<std::uint64_t> load(assigned.size(), 0);
    for (const std::vector<int>& group : GroupsOf(entries)) {
        const auto lightest = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        for (const int index : group) {
            assigned[lightest].push_back(index);
            load[lightest] += entries[static_cast<std::size_t>(index)].cost;
        }
    }
    for (std::vector<int>& entriesOfWorker : assigned) std::sort(entriesOfWorker.begin(), entriesOfWorker.end());
    std::erase_if(assigned, [](const std::vector<int>& entriesOfWorker) { return entriesOfWorker.empty(); });
    return assigned;
}

}  // namespace vorlan
