// The scratch folder and the places in it.
#include "midlet/ScratchFolder.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "midlet/Globals.h"
#include "midlet/PathNames.h"

namespace vorlan {

namespace fs = std::filesystem;

void CreateFolder(const std::string& path) {
    // Not looked at on purpose (see the header): failures show up later.
    static_cast<void>(mkdir(path.c_str(), 0777));
}

namespace {

// Calls visit for every entry inside each META-INF folder of the scratch
// folder, whatever the letter case of "META-INF". Links are never followed.
void ForEachMetaInfEntry(const std::function<void(const fs::directory_entry&)>& visit) {
    std::error_code error;  // a missing scratch folder holds nothing
    for (fs::directory_iterator top(ScratchRoot + kScratchTree, error), end; !error && top != end;
         top.increment(error)) {
        if (!EqualsIgnoringCase(top->path().filename().string(), "META-INF")) continue;
        if (!top->is_directory(error) || top->is_symlink(error)) continue;
        std::error_code innerError;
        for (fs::directory_iterator inner(top->path(), innerError); !innerError && inner != end;
             inner.increment(innerError))
            visit(*inner);
    }
}

void RemoveEntry(const fs::directory_entry& entry) {
    std::error_code error;
    fs::remove_all(entry.path(), error);
    if (error)
        throw std::runtime_error("Cannot remove \"" + entry.path().string() + "\": " + error.message());
}

bool IsManifest(const fs::directory_entry& entry) {
    return EqualsIgnoringCase(entry.path().filename().string(), "manifest.mf");
}

}  // namespace

std::string FindScratchManifest() {
    std::string found;
    ForEachMetaInfEntry([&found](const fs::directory_entry& entry) {
        std::error_code error;
        if (found.empty() && IsManifest(entry) && entry.is_regular_file(error) && !entry.is_symlink(error))
            found = entry.path().string();
    });
    return found;
}

std::string ScratchManifestPathToSave() {
    const std::string existing = FindScratchManifest();
    return existing.empty() ? ScratchRoot + kScratchManifestToSave : existing;
}

void RemoveScratchManifests() {
    std::vector<fs::directory_entry> manifests;
    ForEachMetaInfEntry([&manifests](const fs::directory_entry& entry) {
        if (IsManifest(entry)) manifests.push_back(entry);
    });
    for (const fs::directory_entry& entry : manifests) RemoveEntry(entry);
}

void RemoveSignatureFiles() {
    std::vector<fs::directory_entry> signatures;
    ForEachMetaInfEntry([&signatures](const fs::directory_entry& entry) {
        const std::string extension = LowerExtension(entry.path().filename().string());
        if (extension == ".sf" || extension == ".rsa" || extension == ".dsa" || extension == ".ec")
            signatures.push_back(entry);
    });
    for (const fs::directory_entry& entry : signatures) RemoveEntry(entry);
}

bool FolderHoldsFiles(const std::string& folder) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (it->is_regular_file(kindError)) return true;
    }
    return false;
}

}  // namespace vorlan
