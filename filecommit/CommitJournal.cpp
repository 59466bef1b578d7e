// SPDX-License-Identifier: MIT
// Writing, removing and completing intent journals.
#include "filecommit/CommitJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "filecommit/FileCommitError.h"
#include "filecommit/FoundJournal.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "platform/FolderListing.h"

namespace vorlan {

namespace {

// What a folder that cannot be read to its end gives is still looked at:
// recovery does what it can.
std::vector<std::string> FolderNames(int folderFd) {
    std::vector<ListedItem> items;
    static_cast<void>(ListFolder(folderFd, items));
    std::vector<std::string> names;
    names.reserve(items.size());
    for (ListedItem& item : items) names.push_back(std::move(item.name));
    return names;
}

// Opens a file a killed run may have left, never through a link and never
// waiting on a FIFO, and takes its lock. Invalid when it is gone since the
// listing or a live process holds it; then why is set when it cannot be a
// file Vorlan left.
FileDescriptor OpenUnheld(int folderFd, const std::string& name, struct stat& status, std::string& why) {
    FileDescriptor fd(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd.Valid()) {
        if (errno == ELOOP)
            why = "it is a link";
        else if (errno != ENOENT)
            why = std::string("it cannot be opened: ") + std::strerror(errno);
        return {};
    }
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "it is not a regular file";
        return {};
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return {};
    return fd;
}

std::string SetAsideText(const std::string& folder, const std::string& name, const std::string& why) {
    return "\"" + folder + "/" + name + "\" is set aside, not completed: " + why;
}

// Completes what a killed run of this user left; a journal that may not be
// trusted is left as it is, and named in setAside.
void CompleteJournal(int folderFd, const std::string& folder, const std::string& name, int journalFd,
                     std::vector<std::string>& setAside) {
    const FoundJournal journal = ReadFoundJournal(folderFd, journalFd);
    if (!journal.refusal.empty()) {
        setAside.push_back(SetAsideText(folder, name, journal.refusal));
        return;
    }
    for (const auto& [pending, target] : journal.renames) {
        // A pending file that is gone was renamed before the kill.
        if (::renameat(folderFd, pending.c_str(), folderFd, target.c_str()) != 0 && errno != ENOENT)
            throw FileCommitError(CommitStep::Replace, "Cannot complete an interrupted change of",
                                  folder + "/" + target, errno);
    }
    ::fsync(folderFd);  // the renames durable before the journal goes; a folder that refuses is no worse off
    ::unlinkat(folderFd, name.c_str(), 0);
}

}  // namespace

CommitJournal::CommitJournal(int folderFd, const std::string& folder, const std::vector<PendingRename>& renames)
    : folderFd_(folderFd) {
    try {
        PendingFile journal(folderFd, ".vorlan-commit");
        // The user's alone whatever the umask: a journal others may write is
        // never obeyed.
        journal.SetMode(0600);
        journal.Write(JournalText(renames));
        if (::fdatasync(journal.Fd()) != 0) throw FileCommitError(CommitStep::Write, "", folder, errno);
        for (int attempt = 0; name_.empty(); ++attempt) {
            const std::string name = JournalName();
            try {
                journal.PublishAs(name);
                name_ = name;
            } catch (const FileCommitError& failure) {
                if (failure.ErrorNumber() != EEXIST || attempt >= 100) throw;
            }
        }
        fd_ = journal.ReleaseDescriptor();
    } catch (const FileCommitError& failure) {
        // The journal is Vorlan's own file: the user needs the folder, the
        // reason, and that no suite of that folder was changed.
        throw FileCommitError(failure.Step(), "Cannot write the commit journal in", folder, failure.ErrorNumber(),
                              "nothing was changed");
    }
}

void CommitJournal::Remove() noexcept {
    if (!name_.empty()) ::unlinkat(folderFd_, name_.c_str(), 0);
    name_.clear();
    fd_.Reset();
}

RecoveredFolder RecoverFolder(const std::string& folder) {
    RecoveredFolder recovered;
    FileDescriptor& folderFd = recovered.presence;
    folderFd.Reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.Valid()) return {};  // nothing there to recover; the entry fails on its own
    const std::vector<std::string> names = FolderNames(folderFd.Get());
    const uid_t user = ::geteuid();
    struct stat status {};
    for (const std::string& name : names) {
        if (!IsJournalName(name)) continue;
        std::string why;
        const FileDescriptor journal = OpenUnheld(folderFd.Get(), name, status, why);
        if (journal.Valid()) CompleteJournal(folderFd.Get(), folder, name, journal.Get(), recovered.setAside);
        if (!why.empty()) recovered.setAside.push_back(SetAsideText(folder, name, why));
    }
    // Alone in the folder: every pending file nobody holds is what a killed
    // run left before its commit began, and the suite it was for is as it
    // was. With others at work here, their files are left alone.
    const bool alone = ::flock(folderFd.Get(), LOCK_EX | LOCK_NB) == 0;
    // Only this user's own files: another user's are theirs to clear.
    for (const std::string& name : names) {
        if (!alone || !IsPendingName(name)) continue;
        std::string notLeftByVorlan;
        if (OpenUnheld(folderFd.Get(), name, status, notLeftByVorlan).Valid() && status.st_uid == user)
            ::unlinkat(folderFd.Get(), name.c_str(), 0);
    }
    while (::flock(folderFd.Get(), LOCK_SH) != 0 && errno == EINTR) {
    }
    return recovered;
}

}  // namespace vorlan
