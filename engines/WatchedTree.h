// SPDX-License-Identifier: MIT
// What the add engine learned of the folder tree it adds from, kept from one
// call to the next while the kernel reports no change in it. A batch adds the
// same scratch folder of API files into thousands of JARs; listing its
// folders and looking at each of its files again for every JAR costs more
// than the rest of an add.
//
// Every folder listed and every file judged is watched with inotify before it
// is read: a folder's watch reports names made, removed or moved in it, a
// file's watch reports writes and attribute changes made through any of its
// names (another hard link included). Events are queued by the call that
// makes the change, so the events drained when a walk begins cover every
// change made before it. A folder with an event is listed again and its files
// judged again; a watched folder that went or moved, a lost event (queue
// overflow) or another top folder makes everything be forgotten. Writes
// through a shared mapping raise no event: nothing maps the files a batch
// adds, and the walk only trusts this where SettledForms does (tmpfs).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engines/SettledForms.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

struct FolderItem {
    std::string name;
    unsigned char type = 0;  // as readdir gives it
    bool operator<(const FolderItem& other) const { return name < other.name; }
};

class WatchedTree {
public:
    // A walk of the tree whose top folder is open as topFd begins: the
    // changes reported since the last walk are taken into account.
    void BeginWalk(int topFd);

    // The sorted listing of folder (relative to the top, "" or ending in
    // "/") as it was last read, when nothing changed in it since; else null.
    // The pointer holds until the next call on this object.
    const std::vector<FolderItem>* Listing(const std::string& folder) const;
    // A number that stands for the folder's listing as last kept: it changes
    // whenever a change is reported in the folder or to a file judged in it,
    // and is never given twice. 0 when no listing is known.
    std::uint64_t ListingStamp(const std::string& folder) const;
    // Watches the folder, open as folderFd; to be called before it is
    // listed. False when it cannot be watched (nothing is then kept of it).
    bool WatchFolder(const std::string& folder, int folderFd);
    void KeepListing(const std::string& folder, std::vector<FolderItem> items);

    // The state the file was last seen in, when nothing changed it since.
    const FileState* KnownState(const std::string& folder, const std::string& name) const;
    // Watches the file name in the folder open as folderFd; to be called
    // before the file is looked at. False when it cannot be watched.
    bool WatchFile(const std::string& folder, int folderFd, const std::string& name);
    void KeepState(const std::string& folder, const std::string& name, const FileState& state);

private:
    struct KnownFolder {
        bool watched = false;
        bool listed = false;
        bool changedSinceWalk = false;  // a change was reported since the last walk began
        int changedWalks = 0;           // the walks in a row that found it changed
        std::uint64_t stamp = 0;        // of the listing in items
        std::vector<FolderItem> items;
        std::unordered_map<std::string, FileState> files;
    };
    struct Watch {
        std::string folder;
        bool isFolder = false;
    };

    void Forget();
    void DrainEvents();
    void Changed(int watch, std::uint32_t mask);
    int AddWatch(const std::string& path, const std::string& folder, bool isFolder);

    mutable std::mutex mutex_;
    FileDescriptor events_;  // the inotify instance
    pid_t owner_ = 0;        // a forked child must not read its parent's events
    dev_t topDevice_ = 0;
    ino_t topInode_ = 0;
    std::unordered_map<std::string, KnownFolder> folders_;
    std::unordered_map<int, Watch> watches_;
    std::uint64_t lastStamp_ = 0;  // kept across Forget: no stamp comes back
};

// The one of this process (of this loaded engine module).
WatchedTree& ProcessWatchedTree();

}  // namespace vorlan::engine
