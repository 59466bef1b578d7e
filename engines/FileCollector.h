// SPDX-License-Identifier: MIT
// The add engine's file selection: for each file pattern, the regular files below the
// current directory that it names. A pattern's folder part is looked up ignoring
// letter case; its last part is matched against file names ("*", "?"), in
// that folder only or, with recursion, in every folder below it too. Links
// and other non-regular files are never followed or added: each one a pattern
// selects is listed as skipped, for the caller to report once its batch has
// begun; so is a file whose name is not UTF-8 (no JAR can hold it). Regular files of modest size are read as they are
// found (open, stat, read, close instead of a stat now and the same four calls later): their content travels with them,
// within a bound on the memory it takes. A folder whose files were all found unchanged is taken, by the next walk of
// the same pattern, as that walk found it, for as long as no change is reported in it.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engines/EntryCompressor.h"
#include "engines/EntryPatterns.h"
#include "engines/SettledForms.h"
#include "engines/WatchedTree.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

struct CollectedFile {
    std::string diskPath;    // relative to the current directory, "/" separators
    std::string storedName;  // the entry name it goes under
    std::uint64_t size = 0;
    std::time_t modified = 0;
    // The content as read when the file was found; null when the file is to
    // be opened and read when its data is wanted.
    std::shared_ptr<const std::vector<std::uint8_t>> content;
    // How the file was when content was read, for finding its form again.
    std::optional<FileReading> reading;
    // The form compressed from this very file before (see SettledForms): the
    // file is then neither read nor compressed.
    std::shared_ptr<const CompressedEntry> settledForm;
};

enum class Recursion { ThisFolderOnly, Descend };
enum class FolderNames { Keep, Junk };

struct SkippedFile {
    std::string name;
    std::string reason;  // empty when the name says enough (a link, the archive itself)
};

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
};

// A folder of a walk, opened (from its parent) only when something in it has
// to be read.
class WalkedFolder {
public:
    explicit WalkedFolder(int openFd) : fd_(openFd) {}
    WalkedFolder(WalkedFolder& parent, std::string name, std::string shownPath)
        : parent_(&parent), name_(std::move(name)), shownPath_(std::move(shownPath)) {}
    // Raises EngineError when it cannot be opened.
    int Fd();

private:
    WalkedFolder* parent_ = nullptr;
    std::string name_;
    std::string shownPath_;  // named in the error
    FileDescriptor own_;
    int fd_ = -1;
};

class FileCollector {
public:
    // excluded: the archive being updated, which is never added into itself.
    // settledLevel: when given, files whose form at that level the process
    // still has (SettledForms) are found by a stat instead of being read.
    FileCollector(Recursion recursion, FolderNames folderNames, std::optional<FileIdentity> excluded,
                  std::optional<int> settledLevel = std::nullopt);
    FileCollector(const FileCollector&) = delete;  // its index refers to its own files
    FileCollector& operator=(const FileCollector&) = delete;

    // Adds the files the file pattern selects. One reaching outside the current
    // directory (absolute, or through "..") selects nothing and is reported
    // as skipped.
    void Collect(std::string_view pattern);

    // The files in the order found; a file selected twice appears once, and
    // of two files that would carry the same name ignoring case only the
    // first is kept (the other is reported as skipped).
    std::vector<CollectedFile> TakeFiles() {
        filesByName_.clear();
        return std::move(files_);
    }
    std::vector<SkippedFile> TakeSkipped() { return std::move(skipped_); }

private:
    void Walk(WalkedFolder& folder, const std::string& relativeFolder, std::string_view namePattern, int depth);
    void WalkItems(WalkedFolder& folder, const std::string& relativeFolder, std::string_view namePattern,
                   std::vector<std::string>& subfolders);
    bool AddAsWalkedBefore(const std::string& relativeFolder, std::string_view namePattern,
                           std::vector<std::string>& subfolders);
    std::string WalkedPartKey(const std::string& relativeFolder, std::string_view namePattern) const;
    std::vector<FolderItem> ItemsOf(WalkedFolder& folder, const std::string& relativeFolder);
    bool AddKnownUnchanged(const std::string& relativeFolder, const std::string& name, std::string& path);
    void Consider(WalkedFolder& folder, const std::string& relativeFolder, const std::string& name, bool matches,
                  unsigned char type, std::vector<std::string>& subfolders);
    bool ReadAsFound(int folderFd, const std::string& name, struct stat& status,
                     std::shared_ptr<const std::vector<std::uint8_t>>& content, std::optional<FileReading>& reading);
    bool FindSettled(int folderFd, const std::string& name, const std::string& path, struct stat& status,
                     std::shared_ptr<const CompressedEntry>& form) const;
    void BeginPattern();
    void Add(CollectedFile file);
    void NoteLeftOut(const std::string& path);

    Recursion recursion_;
    FolderNames folderNames_;
    std::optional<FileIdentity> excluded_;
    std::optional<int> settledLevel_;
    WatchedTree* tree_;  // what earlier walks learned; null where files are not found settled
    std::vector<CollectedFile> files_;
    std::vector<SkippedFile> skipped_;
    int patternsBegun_ = 0;
    std::unordered_set<std::string> diskPaths_;  // from the second pattern on
    std::vector<std::string> leftOutByAdd_;      // paths Add left out during the first pattern
    // The files kept, by their stored names as keys compare (no key is made).
    struct StoredNameHash {
        const std::vector<CollectedFile>* files;
        std::size_t operator()(std::size_t index) const { return NameKeyHash()((*files)[index].storedName); }
    };
    struct SameStoredName {
        const std::vector<CollectedFile>* files;
        bool operator()(std::size_t left, std::size_t right) const {
            return NameKeyEqual()((*files)[left].storedName, (*files)[right].storedName);
        }
    };
    std::unordered_set<std::size_t, StoredNameHash, SameStoredName> filesByName_{0, StoredNameHash{&files_},
                                                                                 SameStoredName{&files_}};
    std::uint64_t bytesRead_ = 0;  // of the contents read as found
    // The files AddKnownUnchanged added in the folder being walked.
    std::vector<FileIdentity> unchangedIdentities_;
};

}  // namespace vorlan::engine
