// SPDX-License-Identifier: MIT
// A file written beside its target with no name while it is written
// (O_TMPFILE; a hidden pending name where the file system has no unnamed
// files). It is locked (flock) while its writer holds it, so that a run
// cleaning up after a killed one never takes it for left over. It becomes
// the target either at once (Publish: a new extracted file, a scratch file)
// or as part of a commit group (HandOver: the user's JARs and JADs, made
// durable before they take their names).
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

enum class TargetName { MayBeFree, Taken };

class PendingFile {
public:
    // A new file in the open folder folderFd that is to become targetName there.
    PendingFile(int folderFd, std::string targetName);
    // The same beside a path: in heldFolderFd when the caller holds the
    // path's folder open (>= 0), else the folder is opened and kept.
    static PendingFile Beside(const std::string& targetPath, int heldFolderFd = -1);
    ~PendingFile();  // discards the file unless it was published or handed over
    PendingFile(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    PendingFile& operator=(PendingFile&&) = delete;

    int Fd() const { return fd_.Get(); }
    int FolderFd() const { return folderFd_; }
    const std::string& TargetFileName() const { return targetName_; }
    const std::string& HiddenName() const { return hiddenName_; }

    void Write(std::string_view bytes);
    void CopyFrom(const std::string& sourcePath);
    // Permission bits, and the owner where the process may give files away,
    // of the file this one replaces.
    void TakeOwnershipOf(const struct stat& original);
    void SetMode(mode_t mode);

    // Gives the file its hidden pending name (once).
    void GiveHiddenName();
    // Closes the file and gives it the target's name: linked when the name is
    // free (never with TargetName::Taken), else renamed over what has it. No
    // flush: where the data must be on disk first, the caller flushes.
    void Publish(TargetName target = TargetName::MayBeFree);
    // Gives the file a name of its own choosing that nothing has (a journal's).
    // The file stays open and locked.
    void PublishAs(const std::string& name);
    // The file keeps its hidden name and is no longer this object's to remove;
    // the name and the descriptor, with the file's lock, go to the caller.
    struct HandedOver {
        std::string hiddenName;
        FileDescriptor fd;
    };
    HandedOver HandOver();
    // The descriptor, with the file's lock, after PublishAs.
    FileDescriptor ReleaseDescriptor() { return std::move(fd_); }
    void Discard() noexcept;

private:
    bool Link(const std::string& name);
    void CloseChecked();

    FileDescriptor ownedFolder_;
    int folderFd_;
    std::string targetName_;
    FileDescriptor fd_;
    std::string hiddenName_;  // empty while the file has no name
    bool named_ = false;      // hiddenName_ was made by opening, not by linking
};

}  // namespace vorlan
