// SPDX-License-Identifier: MIT
// Walking and caching the target folders of an extraction.
#include "engines/TargetFolders.h"

#include "engines/EntryPatterns.h"

namespace vorlan::engine {

namespace {

// Open folders are kept up to this many; an archive with more folders than
// that reopens some of them rather than running out of descriptors.
constexpr std::size_t kMostOpenFolders = 64;

}  // namespace

TargetFolders::TargetFolders() : root_(Folder::OpenCurrent()) {}

Folder* TargetFolders::FolderFor(std::span<const std::string> components, FolderCreation creation) {
    Folder* folder = root_.get();
    std::string key;
    for (const std::string& component : components) {
        key += NameKey(component);
        key += '/';
        auto found = opened_.find(key);
        if (found == opened_.end()) {
            std::unique_ptr<Folder> subfolder = folder->OpenSubfolder(component, creation);
            if (!subfolder) return nullptr;
            if (opened_.size() >= kMostOpenFolders) opened_.clear();
            found = opened_.emplace(key, std::move(subfolder)).first;
        }
        folder = found->second.get();
    }
    return folder;
}

}  // namespace vorlan::engine
