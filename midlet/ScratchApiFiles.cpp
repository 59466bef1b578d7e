// SPDX-License-Identifier: MIT
// Which of a JAR's files the API files in the scratch folder would replace.
#include "midlet/ScratchApiFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "midlet/Globals.h"
#include "midlet/PathNames.h"
#include "midlet/ScratchFolder.h"
#include "zip/TZip.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace {

std::string Key(std::string_view name) {
    std::string key = LowerAscii(name);
    for (char& c : key)
        if (c == '\\') c = '/';
    return key;
}

// Files that never reach a JAR from an API archive: its manifest (the JAR's
// own replaces it) and its signature files (removed from the scratch folder).
bool StaysOut(const std::string& key) {
    if (key.rfind("meta-inf/", 0) != 0 || key.find('/', 9) != std::string::npos) return false;
    const std::string extension = LowerExtension(key);
    return EqualsIgnoringCase(key, kManifestEntryName) || extension == ".sf" || extension == ".rsa" ||
           extension == ".dsa" || extension == ".ec";
}

std::string Slashed(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

}  // namespace

void ScratchApiFiles::Clear() {
    archives_.clear();
    files_.clear();
}

void ScratchApiFiles::Add(const std::string& archive, const std::vector<std::string>& names) {
    archives_.push_back(archive);
    for (const std::string& name : names) {
        std::string key = Key(name);
        if (!StaysOut(key)) files_[std::move(key)] = {archives_.size() - 1, Slashed(name)};
    }
}

std::vector<ScratchApiFiles::Replaced> ScratchApiFiles::ReplacedIn(const TZip& zip) const {
    std::vector<Replaced> byArchive(archives_.size());
    bool any = false;
    for (std::int32_t i = 0; i < zip.EntryCount() && !files_.empty(); ++i) {
        const TFileInfo& entry = zip.Entry(i);
        const auto found = files_.find(Key(entry.FileName));
        if (found == files_.end()) continue;
        Replaced& replaced = byArchive[found->second.archive];
        replaced.jarFiles.push_back(Slashed(entry.FileName));
        replaced.scratchFiles.push_back(found->second.storedName);
        any = true;
    }
    std::vector<Replaced> list;
    for (std::size_t i = 0; any && i < byArchive.size(); ++i) {
        if (byArchive[i].jarFiles.empty()) continue;
        byArchive[i].archive = archives_[i];
        list.push_back(std::move(byArchive[i]));
    }
    return list;
}

void FilesSetAside::Take(const std::vector<ScratchApiFiles::Replaced>& replaced) {
    // Beside the scratch folder, not in it: everything in it is added.
    const std::string aside = ScratchRoot + kScratchTree + "-aside/";
    if (mkdir(aside.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("Cannot make \"" + aside + "\": " + std::strerror(errno));
    for (const ScratchApiFiles::Replaced& archive : replaced) {
        for (const std::string& name : archive.scratchFiles) {
            const std::string path = ScratchRoot + kScratchFolder + name;
            const std::string parked = aside + std::to_string(moved_.size());
            if (rename(path.c_str(), parked.c_str()) != 0)
                throw std::runtime_error("Cannot move \"" + path + "\" aside: " + std::strerror(errno));
            moved_.emplace_back(path, parked);
        }
    }
}

bool FilesSetAside::PutBack() {
    bool allBack = true;
    for (const auto& [path, parked] : moved_) allBack = rename(parked.c_str(), path.c_str()) == 0 && allBack;
    if (!moved_.empty())
        rmdir((ScratchRoot + kScratchTree + "-aside").c_str());  // empty again, or left to the next Take
    moved_.clear();
    return allBack;
}

}  // namespace vorlan
