// SPDX-License-Identifier: MIT
// The intent journal of a commit: written in a folder before the first rename
// of a group there, listing every "pending name -> target name" pair of that
// folder, and removed after the last. A run that finds a journal nobody holds
// (its process was killed) completes the renames it lists before it does
// anything else there: a suite is then never left half renamed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

struct PendingRename {
    std::string folder;       // absolute, or as the caller named it
    std::string pendingName;  // a hidden pending name in folder
    std::string targetName;   // the name it takes there
    // The folder the pending file was made in, when known: the rename is done
    // there even if folder's path has since been made to lead elsewhere.
    std::shared_ptr<const FileDescriptor> folderFd = nullptr;
};

class CommitJournal {
public:
    // Writes the journal of renames (all in the open folder folderFd) and
    // flushes it; it stays locked while this object lives.
    CommitJournal(int folderFd, const std::string& folder, const std::vector<PendingRename>& renames);
    CommitJournal(CommitJournal&&) noexcept = default;
    // Removes the journal: every rename it lists is done.
    void Remove() noexcept;

private:
    int folderFd_;
    std::string name_;
    FileDescriptor fd_;
};

// What recovering a folder leaves: the folder, open, with its presence lock
// (shared), which the caller holds while it works there; invalid when the
// folder cannot be opened. And the journals set aside, each named with the
// reason, for the caller to pass on as warnings.
struct RecoveredFolder {
    FileDescriptor presence;
    std::vector<std::string> setAside;
};

// Completes the commits that killed runs of this user left in folder
// (journals no live process holds, see filecommit/FoundJournal.h for which
// are trusted) and removes this user's pending files that no commit lists.
// Throws when a listed rename cannot be completed. A pending file is only
// removed when no other live process holds the folder's presence lock,
// since between two of its steps (an engine's rename over a stand-in and
// taking the new file's lock) a working process's pending file is briefly
// unheld.
RecoveredFolder RecoverFolder(const std::string& folder);

}  // namespace vorlan
