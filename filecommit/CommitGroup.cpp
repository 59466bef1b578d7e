// SPDX-License-Identifier: MIT
// Group commit: journal, flush, renames, folder flush.
#include "filecommit/CommitGroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include "filecommit/FileCommitError.h"

namespace vorlan {

struct CommitGroup::Folder {
    FileDescriptor fd;
    std::vector<PendingRename> renames;
    int aloneFolderFd = -1;  // the folder of a unit's one unnamed file, held by that file
    std::optional<CommitJournal> journal;
    bool complete = true;  // every rename listed in its journal is done
};

namespace {

std::string FailureText(const std::exception& failure) {
    return failure.what();
}

// Gives a unit's one unnamed file its name; the failure's text, or empty.
// A file that does not get its name is removed: its suite is as it was.
std::string NameAlone(PendingFile& file) {
    try {
        file.Publish();
        return {};
    } catch (const std::exception& failure) {
        return FailureText(failure);
    }
}

// The data of every pending file reaches the disk before any of them takes a
// user's name: one syncfs per file system (on a file system held in memory
// it costs nothing).
void FlushFileSystems(std::map<std::string, CommitGroup::Folder*>& folders);

// The folder the pending files were made in, held since then: a link put in
// the path's place meanwhile (in a folder others may write to) cannot send
// the journal and the renames elsewhere. By its path only for renames made
// without it.
FileDescriptor OpenCommitFolder(const std::string& path, const CommitGroup::Folder& folder) {
    for (const PendingRename& rename : folder.renames)
        if (rename.folderFd) return FileDescriptor(::fcntl(rename.folderFd->Get(), F_DUPFD_CLOEXEC, 0));
    if (folder.aloneFolderFd >= 0) return FileDescriptor(::fcntl(folder.aloneFolderFd, F_DUPFD_CLOEXEC, 0));
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

CommitUnit::~CommitUnit() {
    Discard();
}

void CommitUnit::Discard() noexcept {
    for (const PendingRename& rename : renames) {
        if (rename.folderFd) {
            ::unlinkat(rename.folderFd->Get(), rename.pendingName.c_str(), 0);
            continue;
        }
        const std::string path = rename.folder + "/" + rename.pendingName;
        ::unlink(path.c_str());
    }
    renames.clear();
    alone.reset();
    held.clear();
}

CommitGroup::~CommitGroup() = default;  // each unit not committed removes its pending files

std::string CommitUnit::Add(PendingFile& file, const std::string& folder) {
    if (alone) throw std::logic_error("CommitUnit::Add: the unit's one file is taken alone");
    // A copy of the folder's descriptor: the pending file's own may close
    // before the group commits.
    auto folderFd = std::make_shared<const FileDescriptor>(::fcntl(file.FolderFd(), F_DUPFD_CLOEXEC, 0));
    if (!folderFd->Valid()) throw FileCommitError(CommitStep::Create, "Cannot hold the folder of", folder, errno);
    PendingFile::HandedOver handed = file.HandOver();
    renames.push_back({folder, handed.hiddenName, file.TargetFileName(), std::move(folderFd)});
    held.push_back(std::move(handed.fd));
    return handed.hiddenName;
}

void CommitUnit::AddAlone(PendingFile file, const std::string& folder) {
    // With another file in the unit, a run killed between the two namings
    // would leave a suite half new with nothing left to complete it.
    if (!Empty()) throw std::logic_error("CommitUnit::AddAlone: the unit holds other files");
    alone = std::make_unique<PendingFile>(std::move(file));
    aloneFolder = folder;
}

void CommitGroup::Add(CommitUnit unit) {
    units_.push_back(std::move(unit));
}

std::vector<std::string> CommitGroup::Commit() {
    std::vector<std::string> failures(units_.size());
    for (std::size_t i = 0; i < units_.size(); ++i) {
        try {
            if (units_[i].verify) units_[i].verify();
        } catch (const std::exception& failure) {
            failures[i] = FailureText(failure);
            units_[i].Discard();
        }
    }
    failures = CommitLive(std::move(failures));
    units_.clear();
    return failures;
}

std::vector<std::string> CommitGroup::CommitLive(std::vector<std::string> failures) {
    std::map<std::string, Folder> folders;
    for (const CommitUnit& unit : units_) {
        for (const PendingRename& rename : unit.renames) folders[rename.folder].renames.push_back(rename);
        if (unit.alone) folders[unit.aloneFolder].aloneFolderFd = unit.alone->FolderFd();
    }
    try {
        std::map<std::string, Folder*> open;
        for (auto& [path, folder] : folders) {
            folder.fd = OpenCommitFolder(path, folder);
            if (!folder.fd.Valid()) throw FileCommitError(CommitStep::Create, "Cannot open the folder", path, errno);
            open[path] = &folder;
        }
        FlushFileSystems(open);
        // A file named with one link needs no journal: it has its name or none.
        for (auto& [path, folder] : folders)
            if (!folder.renames.empty()) folder.journal.emplace(folder.fd.Get(), path, folder.renames);
    } catch (const std::exception& failure) {
        // Nothing has been named: every suite of the group stays as it was.
        for (auto& [path, folder] : folders)
            if (folder.journal) folder.journal->Remove();
        for (std::size_t i = 0; i < units_.size(); ++i) {
            if (units_[i].Empty()) continue;
            failures[i] = FailureText(failure);
            units_[i].Discard();
        }
        return failures;
    }
    for (std::size_t i = 0; i < units_.size(); ++i) {
        for (const PendingRename& rename : units_[i].renames) {
            Folder& folder = folders[rename.folder];
            const auto renamed = [&] {
                return ::renameat(folder.fd.Get(), rename.pendingName.c_str(), folder.fd.Get(),
                                  rename.targetName.c_str()) == 0;
            };
            // Once more before giving up: the checks before the commit found
            // the target replaceable, so a failure here is a passing one.
            if (renamed() || renamed()) continue;
            const FileCommitError failure(CommitStep::Replace, "Cannot replace",
                                          rename.folder + "/" + rename.targetName, errno);
            failures[i] = std::string(failure.what()) + "; the next run over this folder completes the change";
            folder.complete = false;
            break;
        }
        if (units_[i].alone) failures[i] = NameAlone(*units_[i].alone);
        units_[i].renames.clear();
        units_[i].alone.reset();
        units_[i].held.clear();
    }
    for (auto& [path, folder] : folders) {
        // The new names durable. A folder that cannot be flushed (some file
        // systems refuse fsync on folders) leaves its files complete under
        // one name or the other, which is all the flush could add.
        ::fsync(folder.fd.Get());
        if (folder.complete && folder.journal) folder.journal->Remove();
    }
    return failures;
}

namespace {

void FlushFileSystems(std::map<std::string, CommitGroup::Folder*>& folders) {
    std::set<dev_t> flushed;
    for (auto& [path, folder] : folders) {
        struct stat status {};
        if (::fstat(folder->fd.Get(), &status) != 0)
            throw FileCommitError(CommitStep::Write, "Cannot read the folder", path, errno);
        if (!flushed.insert(status.st_dev).second) continue;
        if (::syncfs(folder->fd.Get()) != 0)
            throw FileCommitError(CommitStep::Write, "Cannot flush the new files in", path, errno);
    }
}

}  // namespace

}  // namespace vorlan
