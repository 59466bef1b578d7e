// SPDX-License-Identifier: MIT
// Keeping what a walk found, dropping it when inotify reports a change.
#include "engines/WatchedTree.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vorlan::engine {

namespace {

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                                        IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW;
// A folder's own disappearance: the paths the tree is kept by no longer name
// what was listed.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

// Far more than the API archives of a batch hold; past it a walk keeps
// nothing new rather than spend the user's inotify watches.
constexpr std::size_t kMostWatches = 16384;
constexpr int kVolatileAfterWalks = 2;

std::string PathThrough(int folderFd, const std::string& name) {
    // The folder's own descriptor, not its path from the current folder: the
    // watch lands on the folder the walk reads. (A folder's watch follows
    // that /proc link; a file's never follows a link in the folder.)
    return "/proc/self/fd/" + std::to_string(folderFd) + (name.empty() ? "" : "/" + name);
}

}  // namespace

void WatchedTree::Forget() {
    events_.Reset();
    folders_.clear();
    watches_.clear();
}

void WatchedTree::Changed(int watch, std::uint32_t mask) {
    const auto found = watches_.find(watch);
    if (found == watches_.end()) return;  // a watch of a folder forgotten before
    if (found->second.isFolder && (mask & kFolderGone) != 0) {
        Forget();
        return;
    }
    KnownFolder& folder = folders_[found->second.folder];
    folder.changedSinceWalk = true;
    folder.listed = false;
    folder.items.clear();
    folder.files.clear();
    if ((mask & IN_IGNORED) != 0) watches_.erase(found);
}

void WatchedTree::DrainEvents() {
    alignas(inotify_event) std::array<char, 16 * 1024> buffer;
    while (events_.Valid()) {
        const ssize_t got = ::read(events_.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return;
        if (got <= 0) {
            Forget();
            return;
        }
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            at += sizeof event + event.len;
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                Forget();
                break;
            }
            Changed(event.wd, event.mask);
        }
    }
}

void WatchedTree::BeginWalk(int topFd) {
    const std::lock_guard lock(mutex_);
    struct stat top {};
    const bool known = ::fstat(topFd, &top) == 0;
    if (owner_ != ::getpid()) {
        // A forked child: the instance it inherited shares its queue with the
        // parent's, so reading it here would take the parent's events.
        Forget();
        owner_ = ::getpid();
    }
    if (!known || top.st_dev != topDevice_ || top.st_ino != topInode_) Forget();
    topDevice_ = known ? top.st_dev : 0;
    topInode_ = known ? top.st_ino : 0;
    if (!known) return;
    DrainEvents();
    if (!events_.Valid()) {
        Forget();
        events_.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    }
    for (auto& [name, folder] : folders_) {
        folder.changedWalks = folder.changedSinceWalk ? folder.changedWalks + 1 : 0;
        folder.changedSinceWalk = false;
    }
}

int WatchedTree::AddWatch(const std::string& path, const std::string& folder, bool isFolder) {
    if (!events_.Valid() || watches_.size() >= kMostWatches) return -1;
    const int watch = ::inotify_add_watch(events_.Get(), path.c_str(), isFolder ? kFolderEvents : kFileEvents);
    if (watch >= 0) watches_[watch] = Watch{folder, isFolder};
    return watch;
}

const std::vector<FolderItem>* WatchedTree::Listing(const std::string& folder) const {
    const std::lock_guard lock(mutex_);
    const auto found = folders_.find(folder);
    return found != folders_.end() && found->second.listed ? &found->second.items : nullptr;
}

std::uint64_t WatchedTree::ListingStamp(const std::string& folder) const {
    const std::lock_guard lock(mutex_);
    const auto found = folders_.find(folder);
    return found != folders_.end() && found->second.listed ? found->second.stamp : 0;
}

bool WatchedTree::WatchFolder(const std::string& folder, int folderFd) {
    const std::lock_guard lock(mutex_);
    KnownFolder& known = folders_[folder];
    if (!known.watched) known.watched = AddWatch(PathThrough(folderFd, {}), folder, true) >= 0;
    return known.watched;
}

void WatchedTree::KeepListing(const std::string& folder, std::vector<FolderItem> items) {
    const std::lock_guard lock(mutex_);
    KnownFolder& known = folders_[folder];
    if (!known.watched) return;
    known.items = std::move(items);
    known.listed = true;
    known.stamp = ++lastStamp_;
}

const FileState* WatchedTree::KnownState(const std::string& folder, const std::string& name) const {
    const std::lock_guard lock(mutex_);
    const auto found = folders_.find(folder);
    if (found == folders_.end()) return nullptr;
    const auto file = found->second.files.find(name);
    return file == found->second.files.end() ? nullptr : &file->second;
}

bool WatchedTree::WatchFile(const std::string& folder, int folderFd, const std::string& name) {
    const std::lock_guard lock(mutex_);
    const auto found = folders_.find(folder);
    if (found == folders_.end() || !found->second.watched) return false;
    // In a folder changed before each of the last walks (the manifest the
    // batch extracts for every JAR), a file's watch would only report its
    // end: its files are looked at afresh, unwatched, until a walk finds the
    // folder as it was.
    if (found->second.changedWalks >= kVolatileAfterWalks) return false;
    return AddWatch(PathThrough(folderFd, name), folder, false) >= 0;
}

void WatchedTree::KeepState(const std::string& folder, const std::string& name, const FileState& state) {
    const std::lock_guard lock(mutex_);
    const auto found = folders_.find(folder);
    if (found != folders_.end() && found->second.watched) found->second.files[name] = state;
}

WatchedTree& ProcessWatchedTree() {
    static WatchedTree tree;
    return tree;
}

}  // namespace vorlan::engine
