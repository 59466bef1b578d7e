// SPDX-License-Identifier: MIT
// Walking the current directory for the files of each file pattern.
#include "engines/FileCollector.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "engines/EntryPatterns.h"
#include "engines/FolderLookup.h"
#include "engines/WatchedTree.h"
#include "filecommit/FileDescriptor.h"
#include "platform/FolderListing.h"
#include "zipformat/Utf8.h"

namespace vorlan::engine {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Deeper trees than any suite holds; the limit keeps the walk's open
// folders and stack bounded.
constexpr int kDeepestFolder = 128;
// Files read as they are found: each at most this large, all of them
// together at most kMostBytesRead; the others are read when libzip asks.
constexpr std::uint64_t kLargestReadAsFound = 1024 * 1024;
constexpr std::uint64_t kMostBytesRead = 16 * 1024 * 1024;
constexpr std::size_t kMostWalkedParts = 4096;

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::vector<FolderItem> SortedItems(int folderFd) {
    std::vector<ListedItem> listed;
    if (!ListFolder(folderFd, listed)) throw EngineError(SystemErrorText("Cannot list a folder", errno));
    std::vector<FolderItem> items;
    for (ListedItem& item : listed) items.push_back(FolderItem{std::move(item.name), item.type});
    std::sort(items.begin(), items.end());
    return items;
}

struct SplitPattern {
    std::vector<std::string> folders;
    std::string namePattern;  // the last part, matched against file names
    bool outside = false;     // absolute, or through ".."
};

SplitPattern Split(std::string_view pattern) {
    SplitPattern split;
    split.outside = !pattern.empty() && (pattern.front() == '/' || pattern.front() == '\\');
    std::string part;
    for (const char c : pattern) {
        if (c != '/' && c != '\\') {
            part += c;
            continue;
        }
        if (part == "..") split.outside = true;
        if (!part.empty() && part != ".") split.folders.push_back(part);
        part.clear();
    }
    split.outside = split.outside || part == "..";
    split.namePattern = part.empty() || part == "." ? "*" : part;
    return split;
}

// What a walk added from one folder, every file of it found unchanged by its
// watch with its form still kept: the next walk of the same pattern takes
// the folder's files from here while the folder's listing is the one this
// was made under, instead of looking up each file's state and form again.
// A batch adds the same API files into every JAR.
struct WalkedPart {
    std::uint64_t listingStamp = 0;
    std::vector<CollectedFile> files;  // their forms only in forms, which do not keep them
    std::vector<std::weak_ptr<const CompressedEntry>> forms;
    std::vector<FileIdentity> identities;
    std::vector<std::string> subfolders;
};

class WalkedParts {
public:
    std::shared_ptr<const WalkedPart> Find(const std::string& key, std::uint64_t listingStamp) const {
        const std::lock_guard lock(mutex_);
        const auto found = parts_.find(key);
        return found != parts_.end() && found->second->listingStamp == listingStamp ? found->second : nullptr;
    }
    void Keep(const std::string& key, std::shared_ptr<const WalkedPart> part) {
        const std::lock_guard lock(mutex_);
        // Parts of trees walked before are only ever replaced: past this many
        // (far more than a batch's folders) they all go, and are made again.
        if (parts_.size() >= kMostWalkedParts && !parts_.contains(key)) parts_.clear();
        parts_[key] = std::move(part);
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const WalkedPart>> parts_;
};

WalkedParts& ProcessWalkedParts() {
    static WalkedParts parts;
    return parts;
}

}  // namespace

FileCollector::FileCollector(Recursion recursion, FolderNames folderNames, std::optional<FileIdentity> excluded,
                             std::optional<int> settledLevel)
    : recursion_(recursion),
      folderNames_(folderNames),
      excluded_(excluded),
      settledLevel_(settledLevel),
      tree_(settledLevel ? &ProcessWatchedTree() : nullptr) {}

void FileCollector::Collect(std::string_view pattern) {
    BeginPattern();
    SplitPattern split = Split(pattern);
    if (split.outside) {
        skipped_.push_back({std::string(pattern), Quoted(pattern) + " reaches outside the current folder"});
        return;
    }
    std::unique_ptr<Folder> folder = Folder::OpenCurrent();
    std::string relative;
    // A pattern naming a folder selects what is in it.
    if (!HasWildcard(split.namePattern) && folder->ExistingName(split.namePattern)) {
        std::unique_ptr<Folder> probe = folder->OpenSubfolder(split.namePattern, FolderCreation::LookOnly);
        if (probe) split.folders.push_back(std::exchange(split.namePattern, "*"));
    }
    for (const std::string& name : split.folders) {
        const std::optional<std::string> onDisk = folder->ExistingName(name);
        folder = onDisk ? folder->OpenSubfolder(*onDisk, FolderCreation::LookOnly) : nullptr;
        if (!folder) return;  // no such folder: the pattern selects nothing
        relative += *onDisk + "/";
    }
    if (tree_) tree_->BeginWalk(folder->Fd());
    WalkedFolder top(folder->Fd());
    Walk(top, relative, split.namePattern, 0);
}

// The folder's items, sorted: as listed before when nothing changed in it
// since, else read now (and kept, when the folder can be watched).
std::vector<FolderItem> FileCollector::ItemsOf(WalkedFolder& folder, const std::string& relativeFolder) {
    if (tree_) {
        if (const std::vector<FolderItem>* known = tree_->Listing(relativeFolder)) return *known;
    }
    const int fd = folder.Fd();
    const bool watched = tree_ && tree_->WatchFolder(relativeFolder, fd);
    std::vector<FolderItem> items = SortedItems(fd);
    if (watched) tree_->KeepListing(relativeFolder, items);
    return items;
}

int WalkedFolder::Fd() {
    if (fd_ >= 0) return fd_;
    own_.Reset(::openat(parent_->Fd(), name_.c_str(), kFolderFlags));
    if (!own_.Valid()) throw EngineError(SystemErrorText("Cannot open \"" + shownPath_ + "\"", errno));
    fd_ = own_.Get();
    return fd_;
}

void FileCollector::Walk(WalkedFolder& folder, const std::string& relativeFolder, std::string_view namePattern,
                         int depth) {
    std::vector<std::string> subfolders;
    if (!AddAsWalkedBefore(relativeFolder, namePattern, subfolders))
        WalkItems(folder, relativeFolder, namePattern, subfolders);
    if (recursion_ != Recursion::Descend) return;
    for (const std::string& name : subfolders) {
        if (depth >= kDeepestFolder) {
            skipped_.push_back({relativeFolder + name, "\"" + relativeFolder + name + "\" lies too deep to be added"});
            continue;
        }
        // Opened only when it has to be read: a folder known unchanged is not.
        WalkedFolder subfolder(folder, name, relativeFolder + name);
        Walk(subfolder, relativeFolder + name + "/", namePattern, depth + 1);
    }
}

// The folder's own items; what they added is kept for the next walk when
// each one was a file found unchanged and added.
void FileCollector::WalkItems(WalkedFolder& folder, const std::string& relativeFolder, std::string_view namePattern,
                              std::vector<std::string>& subfolders) {
    const std::size_t filesBefore = files_.size(), skippedBefore = skipped_.size();
    unchangedIdentities_.clear();
    std::size_t considered = 0;
    for (const FolderItem& item : ItemsOf(folder, relativeFolder)) {
        if (item.type == DT_DIR) {
            subfolders.push_back(item.name);
            continue;
        }
        const bool matches = PatternMatches(namePattern, item.name);
        if (!matches && item.type != DT_UNKNOWN) continue;
        ++considered;
        Consider(folder, relativeFolder, item.name, matches, item.type, subfolders);
    }
    const std::uint64_t stamp = tree_ ? tree_->ListingStamp(relativeFolder) : 0;
    const bool allFoundUnchanged = unchangedIdentities_.size() == considered &&
                                   files_.size() - filesBefore == considered && skipped_.size() == skippedBefore;
    if (stamp == 0 || !allFoundUnchanged) return;
    auto part = std::make_shared<WalkedPart>();
    part->listingStamp = stamp;
    part->identities = std::move(unchangedIdentities_);
    part->subfolders = subfolders;
    for (std::size_t i = filesBefore; i < files_.size(); ++i) {
        part->files.push_back(files_[i]);
        part->forms.push_back(std::exchange(part->files.back().settledForm, nullptr));
    }
    ProcessWalkedParts().Keep(WalkedPartKey(relativeFolder, namePattern), std::move(part));
}

// Adds the folder's files as the last walk of the pattern found them, when
// nothing was reported of the folder since and every file's form is still
// kept. False, and nothing added, otherwise.
bool FileCollector::AddAsWalkedBefore(const std::string& relativeFolder, std::string_view namePattern,
                                      std::vector<std::string>& subfolders) {
    if (!tree_ || !settledLevel_) return false;
    const std::uint64_t stamp = tree_->ListingStamp(relativeFolder);
    if (stamp == 0) return false;
    const std::shared_ptr<const WalkedPart> part =
        ProcessWalkedParts().Find(WalkedPartKey(relativeFolder, namePattern), stamp);
    if (!part) return false;
    std::vector<std::shared_ptr<const CompressedEntry>> forms;
    forms.reserve(part->forms.size());
    for (std::size_t i = 0; i < part->files.size(); ++i) {
        const FileIdentity& identity = part->identities[i];
        if (excluded_ && excluded_->device == identity.device && excluded_->inode == identity.inode) return false;
        forms.push_back(part->forms[i].lock());
        if (!forms.back()) return false;
    }
    for (std::size_t i = 0; i < part->files.size(); ++i) {
        CollectedFile file = part->files[i];
        file.settledForm = std::move(forms[i]);
        Add(std::move(file));
    }
    subfolders = part->subfolders;
    return true;
}

// The stored names and forms a part holds depend on the pattern, the folder
// names kept or junked and the compression level.
std::string FileCollector::WalkedPartKey(const std::string& relativeFolder, std::string_view namePattern) const {
    std::string key = relativeFolder;
    key += '\0';
    key += namePattern;
    key += '\0';
    key += folderNames_ == FolderNames::Junk ? 'j' : 'k';
    return key + std::to_string(settledLevel_.value_or(-1));
}

// Opens a regular file the walk found without following a link (nor
// waiting on a FIFO put there meanwhile), gives its status and, when it is
// small enough, its content. False when it cannot be opened as such (a link,
// gone): the caller then looks at what is there.
bool FileCollector::ReadAsFound(int folderFd, const std::string& name, struct stat& status,
                                std::shared_ptr<const std::vector<std::uint8_t>>& content,
                                std::optional<FileReading>& reading) {
    FileDescriptor fd(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const timespec readAt = RealTimeNow();  // before the stat: see SettledForms
    if (!fd.Valid() || ::fstat(fd.Get(), &status) != 0) return false;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (!S_ISREG(status.st_mode) || size > kLargestReadAsFound || bytesRead_ + size > kMostBytesRead) return true;
    // One byte more than the size: a file that grew meanwhile shows, and is
    // read when libzip asks for it instead, as one that shrank is.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 1);
    std::size_t length = 0;
    while (length < size) {
        const ssize_t got = ::read(fd.Get(), bytes.data() + length, bytes.size() - length);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        length += static_cast<std::size_t>(got);
    }
    if (length != size) return true;
    bytes.resize(length);
    bytesRead_ += size;
    content = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    reading = FileReading{StateOf(status), readAt};
    return true;
}

// A file whose form at the operation's level the process made before from
// this very file, found with one stat. False (and nothing looked at) when
// the file is not one of those.
bool FileCollector::FindSettled(int folderFd, const std::string& name, const std::string& path, struct stat& status,
                                std::shared_ptr<const CompressedEntry>& form) const {
    if (!settledLevel_ || !ProcessSettledForms().Knows(path)) return false;
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode)) return false;
    form = ProcessSettledForms().Find(path, StateOf(status), *settledLevel_);
    return form != nullptr;
}

// A file the pattern selects, or an item whose kind readdir did not give.
void FileCollector::Consider(WalkedFolder& folder, const std::string& relativeFolder, const std::string& name,
                             bool matches, unsigned char type, std::vector<std::string>& subfolders) {
    struct stat status {};
    std::shared_ptr<const std::vector<std::uint8_t>> content;
    std::optional<FileReading> reading;
    std::shared_ptr<const CompressedEntry> settledForm;
    std::string path = relativeFolder + name;
    const bool regular = matches && type == DT_REG;
    if (regular && AddKnownUnchanged(relativeFolder, name, path)) return;
    // Watched before it is looked at: a change after the look is reported.
    const bool watched = regular && tree_ && tree_->WatchFile(relativeFolder, folder.Fd(), name);
    const int folderFd = folder.Fd();
    const bool settled = regular && FindSettled(folderFd, name, path, status, settledForm);
    const bool opened = settled || (regular && ReadAsFound(folderFd, name, status, content, reading));
    if (!opened && ::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return;  // gone meanwhile
    if (S_ISDIR(status.st_mode)) {
        subfolders.push_back(name);
        return;
    }
    if (!matches) return;
    const bool isArchive = excluded_ && excluded_->device == status.st_dev && excluded_->inode == status.st_ino;
    if (!S_ISREG(status.st_mode) || isArchive) {
        skipped_.push_back({path, {}});
        return;
    }
    if (watched) tree_->KeepState(relativeFolder, name, StateOf(status));
    const std::string stored = folderNames_ == FolderNames::Junk ? name : path;
    Add(CollectedFile{path, stored, static_cast<std::uint64_t>(status.st_size), status.st_mtime, std::move(content),
                      reading, std::move(settledForm)});
}

// A file no change was reported for since it was last seen, whose form the
// process still has: added without a look at it. Its path is taken when it is.
bool FileCollector::AddKnownUnchanged(const std::string& relativeFolder, const std::string& name, std::string& path) {
    if (!tree_ || !settledLevel_) return false;
    const FileState* known = tree_->KnownState(relativeFolder, name);
    if (!known) return false;
    const FileState state = *known;
    std::shared_ptr<const CompressedEntry> form = ProcessSettledForms().Find(path, state, *settledLevel_);
    const bool isArchive = excluded_ && excluded_->device == state.device && excluded_->inode == state.inode;
    if (!form || isArchive) return false;
    unchangedIdentities_.push_back(FileIdentity{state.device, state.inode});
    std::string stored = folderNames_ == FolderNames::Junk ? name : path;
    Add(CollectedFile{std::move(path), std::move(stored), static_cast<std::uint64_t>(state.size), state.modified.tv_sec,
                      nullptr, std::nullopt, std::move(form)});
    return true;
}

// Within one pattern's walk no path comes twice: the paths met so far are
// indexed only once a second pattern is collected.
void FileCollector::BeginPattern() {
    if (++patternsBegun_ != 2) return;
    for (const CollectedFile& file : files_) diskPaths_.insert(file.diskPath);
    for (std::string& path : leftOutByAdd_) diskPaths_.insert(std::move(path));
}

void FileCollector::Add(CollectedFile file) {
    if (patternsBegun_ > 1 && !diskPaths_.insert(file.diskPath).second) return;  // selected by an earlier pattern
    if (!IsWellFormedUtf8(file.storedName)) {
        // Stored unflagged, such a name makes java.util.jar refuse the whole archive.
        skipped_.push_back({file.diskPath, Quoted(EscapedEntryName(file.diskPath)) +
                                               " is left out: its name is not UTF-8, which Java cannot read"});
        NoteLeftOut(file.diskPath);
        return;
    }
    files_.push_back(std::move(file));
    if (filesByName_.insert(files_.size() - 1).second) return;
    const std::string path = std::move(files_.back().diskPath);
    files_.pop_back();
    skipped_.push_back({path, "\"" + path + "\" would carry the name of a file added before it"});
    NoteLeftOut(path);
}

void FileCollector::NoteLeftOut(const std::string& path) {
    if (patternsBegun_ == 1) leftOutByAdd_.push_back(path);
}

}  // namespace vorlan::engine
