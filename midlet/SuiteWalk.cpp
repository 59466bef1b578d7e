// SPDX-License-Identifier: MIT
// Walking a folder tree for the suites in it.
#include "midlet/SuiteWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "filecommit/PendingNames.h"
#include "fsutil/FilesBelow.h"
#include "platform/FolderListing.h"

namespace vorlan {

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// ".jar" or ".jad" in lower case when name ends in one, else empty.
std::string SuiteExtension(const std::string& name) {
    if (name.size() <= 4) return {};
    std::string extension = LowerCase(std::string_view(name).substr(name.size() - 4));
    return extension == ".jar" || extension == ".jad" ? extension : std::string();
}

std::string Stem(const std::string& name) {
    return name.substr(0, name.size() - 4);
}

std::vector<std::string> SortedNames(const std::string& folder) {
    std::vector<ListedItem> items;
    if (!ListFolder(folder, items))
        throw SuiteWalkError("Cannot read the folder \"" + folder + "\": " + std::strerror(errno));
    std::vector<std::string> names;
    names.reserve(items.size());
    for (ListedItem& item : items) names.push_back(std::move(item.name));
    std::sort(names.begin(), names.end());  // std::string compares bytes as unsigned char
    return names;
}

bool IsVorlansOwn(const std::string& name) {
    return IsPendingName(name) || IsJournalName(name);
}

// The stems (lower case) of the JADs among files: a JAR with one of them
// beside it is that JAD's suite, taken through the JAD.
std::unordered_set<std::string> DescriptorStems(const std::vector<std::string>& files) {
    std::unordered_set<std::string> stems;
    for (const std::string& name : files) {
        if (SuiteExtension(name) == ".jad") stems.insert(LowerCase(Stem(name)));
    }
    return stems;
}

bool Takes(SuiteWalkKind kind, const std::string& name, const std::unordered_set<std::string>& jadStems) {
    const std::string extension = SuiteExtension(name);
    if (kind == SuiteWalkKind::Jars) return extension == ".jar";
    if (extension == ".jad") return true;
    return extension == ".jar" && !jadStems.contains(LowerCase(Stem(name)));
}

struct Walk {
    std::string root;
    SuiteWalkKind kind;
    const std::vector<FolderId>& left;
    std::vector<std::string> found;
};

bool IsLeftOut(const std::string& folder, const std::vector<FolderId>& left) {
    if (left.empty()) return false;
    const std::optional<FolderId> id = FolderIdOf(folder);
    return id && std::find(left.begin(), left.end(), *id) != left.end();
}

void WalkFolder(Walk& walk, const std::string& below) {
    const std::string& root = walk.root;
    const std::string folder = below.empty() ? root : Joined(root, below);
    const std::vector<std::string> names = SortedNames(folder);
    std::vector<ItemKind> types;
    std::vector<std::string> files;
    for (const std::string& name : names) {
        types.push_back(KindOf(AT_FDCWD, Joined(folder, name), DT_UNKNOWN));
        if (types.back() == ItemKind::File) files.push_back(name);
    }
    const auto jadStems = DescriptorStems(files);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const std::string relative = below.empty() ? name : below + "/" + name;
        if (types[i] == ItemKind::Folder && name[0] != '.' && !IsLeftOut(Joined(folder, name), walk.left)) {
            WalkFolder(walk, relative);
        } else if (types[i] == ItemKind::File && !IsVorlansOwn(name) && Takes(walk.kind, name, jadStems)) {
            walk.found.push_back(relative);
        }
    }
}

}  // namespace

std::vector<std::string> WalkSuites(const std::string& folder, SuiteWalkKind kind, const std::vector<FolderId>& left) {
    Walk walk{folder, kind, left, {}};
    WalkFolder(walk, "");
    return std::move(walk.found);
}

std::optional<FolderId> FolderIdOf(const std::string& folder) {
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::nullopt;
    return FolderId{status.st_dev, status.st_ino};
}

}  // namespace vorlan
