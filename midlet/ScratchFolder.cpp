// SPDX-License-Identifier: MIT
// The scratch folder and the places in it.
#include "midlet/ScratchFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "filecommit/FileDescriptor.h"
#include "fsutil/FilesBelow.h"
#include "midlet/Globals.h"
#include "midlet/PathNames.h"
#include "platform/FolderListing.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace fs = std::filesystem;

void CreateFolder(const std::string& path) {
    // Not looked at on purpose (see the header): failures show up later.
    static_cast<void>(mkdir(path.c_str(), 0777));
}

namespace {

struct FolderItem {
    std::string path;
    std::string name;
    bool isFolder = false;  // a real folder, not a link to one
    bool isFile = false;    // a regular file, not a link to one
};

// The items of a folder, read with one open (the batch looks into the
// scratch folder several times for every JAR). Links are reported as what
// they are and never followed; a folder that cannot be read holds nothing,
// or what could be read of it.
std::vector<FolderItem> ItemsOf(const std::string& folder) {
    std::vector<FolderItem> items;
    const FileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) return items;
    std::vector<ListedItem> listed;
    static_cast<void>(ListFolder(fd.Get(), listed));
    for (ListedItem& entry : listed) {
        FolderItem item{folder + "/" + entry.name, std::move(entry.name), entry.type == DT_DIR, entry.type == DT_REG};
        struct stat status {};
        if (entry.type == DT_UNKNOWN && lstat(item.path.c_str(), &status) == 0) {
            item.isFolder = S_ISDIR(status.st_mode);
            item.isFile = S_ISREG(status.st_mode);
        }
        items.push_back(std::move(item));
    }
    return items;
}

// Calls visit for every entry inside each META-INF folder of the scratch
// folder, whatever the letter case of "META-INF". Links are never followed.
void ForEachMetaInfEntry(const std::function<void(const FolderItem&)>& visit) {
    for (const FolderItem& top : ItemsOf(ScratchRoot + kScratchTree)) {
        if (!top.isFolder || !EqualsIgnoringCase(top.name, "META-INF")) continue;
        for (const FolderItem& inner : ItemsOf(top.path)) visit(inner);
    }
}

void RemoveEntry(const FolderItem& entry) {
    // A regular file (the usual case) goes with one unlink; anything else
    // through remove_all, which removes links as links.
    if (entry.isFile && unlink(entry.path.c_str()) == 0) return;
    std::error_code error;
    fs::remove_all(entry.path, error);
    if (error) throw std::runtime_error("Cannot remove \"" + entry.path + "\": " + error.message());
}

bool IsManifest(const FolderItem& entry) {
    return EqualsIgnoringCase(entry.name, "manifest.mf");
}

bool IsRegularFile(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

std::string FindScratchManifest() {
    // Where an extracted manifest nearly always is. Only one manifest can be
    // there (the earlier ones are removed before one is extracted, and the
    // engine keeps to the folder and file names it finds in any case), so
    // this is the one the search below would find.
    const std::string usual = ScratchRoot + kScratchTree + "/" + std::string(kManifestEntryName);
    if (IsRegularFile(usual)) return usual;
    std::string found;
    ForEachMetaInfEntry([&found](const FolderItem& entry) {
        if (found.empty() && IsManifest(entry) && entry.isFile) found = entry.path;
    });
    return found;
}

std::string ScratchManifestPathToSave() {
    ForgetOnlyScratchManifest();  // the caller writes a manifest there
    const std::string existing = FindScratchManifest();
    return existing.empty() ? ScratchRoot + kScratchManifestToSave : existing;
}

namespace {

// The only manifest the scratch folder holds, when that is known; empty when not.
std::string& OnlyManifest() {
    static auto* path = new std::string;
    return *path;
}

}  // namespace

void NoteOnlyScratchManifest(const std::string& path) {
    OnlyManifest() = path;
}

void ForgetOnlyScratchManifest() {
    OnlyManifest().clear();
}

void RemoveScratchManifests() {
    // The scratch root may differ from the one the note was made under (a
    // window's next batch): a manifest noted elsewhere says nothing here.
    const std::string only = std::exchange(OnlyManifest(), std::string());
    const std::string tree = ScratchRoot + kScratchTree + "/";
    if (!only.empty() && only.compare(0, tree.size(), tree) == 0 && (unlink(only.c_str()) == 0 || errno == ENOENT))
        return;
    std::vector<FolderItem> manifests;
    ForEachMetaInfEntry([&manifests](const FolderItem& entry) {
        if (IsManifest(entry)) manifests.push_back(entry);
    });
    for (const FolderItem& entry : manifests) RemoveEntry(entry);
}

void RemoveSignatureFiles() {
    std::vector<FolderItem> signatures;
    ForEachMetaInfEntry([&signatures](const FolderItem& entry) {
        const std::string extension = LowerExtension(entry.name);
        if (extension == ".sf" || extension == ".rsa" || extension == ".dsa" || extension == ".ec")
            signatures.push_back(entry);
    });
    for (const FolderItem& entry : signatures) RemoveEntry(entry);
}

bool FolderHoldsFiles(const std::string& folder) {
    bool holdsFiles = false;
    ForEachFileBelow(folder, [&holdsFiles](const std::string&) {
        holdsFiles = true;
        return false;
    });
    return holdsFiles;
}

}  // namespace vorlan
