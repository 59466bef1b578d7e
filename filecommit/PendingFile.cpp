// SPDX-License-Identifier: MIT
// Unnamed files beside their targets, named when complete.
#include "filecommit/PendingFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "filecommit/FileCommitError.h"
#include "filecommit/PendingNames.h"

namespace vorlan {

FileCommitError::FileCommitError(CommitStep step, const std::string& what, const std::string& path, int errorNumber,
                                 const std::string& consequence)
    : std::runtime_error(what + " \"" + path + "\": " + std::strerror(errorNumber) +
                         (consequence.empty() ? std::string() : "; " + consequence)),
      step_(step),
      errorNumber_(errorNumber) {}

namespace {

constexpr int kNameAttempts = 100;

}  // namespace

PendingFile::PendingFile(int folderFd, std::string targetName)
    : folderFd_(folderFd), targetName_(std::move(targetName)) {
    // The mode is narrowed by the umask (or the folder's default ACL), as for
    // any new file; a replacement gets the old file's bits from the caller.
    fd_.Reset(::openat(folderFd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    for (int attempt = 0; !fd_.Valid() && attempt < kNameAttempts; ++attempt) {
        // No unnamed files on this file system (FAT, some network shares).
        hiddenName_ = PendingNameFor(targetName_);
        fd_.Reset(::openat(folderFd_, hiddenName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd_.Valid() && errno != EEXIST) break;
    }
    if (!fd_.Valid()) {
        const int error = errno;
        hiddenName_.clear();
        throw FileCommitError(CommitStep::Create, "Cannot create a file beside", targetName_, error);
    }
    named_ = !hiddenName_.empty();
    // Never fails on a new file nobody else has opened; it only marks the file
    // as held by a live process.
    ::flock(fd_.Get(), LOCK_EX | LOCK_NB);
}

PendingFile PendingFile::Beside(const std::string& targetPath, int heldFolderFd) {
    if (heldFolderFd >= 0) return PendingFile(heldFolderFd, NameOf(targetPath));
    FileDescriptor folder(::open(FolderOf(targetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) throw FileCommitError(CommitStep::Create, "Cannot open the folder of", targetPath, errno);
    PendingFile file(folder.Get(), NameOf(targetPath));
    file.ownedFolder_ = std::move(folder);
    return file;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : ownedFolder_(std::move(other.ownedFolder_)),
      folderFd_(other.folderFd_),
      targetName_(std::move(other.targetName_)),
      fd_(std::move(other.fd_)),
      hiddenName_(std::exchange(other.hiddenName_, std::string())),
      named_(other.named_) {}

PendingFile::~PendingFile() {
    Discard();
}

void PendingFile::Write(std::string_view bytes) {
    if (const int error = WriteAll(fd_.Get(), bytes))
        throw FileCommitError(CommitStep::Write, "Cannot write", targetName_, error);
}

void PendingFile::CopyFrom(const std::string& sourcePath) {
    // Never waiting on a FIFO, never reading endless data from a device.
    const FileDescriptor source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!source.Valid()) throw FileCommitError(CommitStep::Write, "Cannot open", sourcePath, errno);
    struct stat status {};
    if (::fstat(source.Get(), &status) != 0) throw FileCommitError(CommitStep::Write, "Cannot read", sourcePath, errno);
    if (!S_ISREG(status.st_mode))
        throw FileCommitError(CommitStep::Write, "Cannot copy", sourcePath, EINVAL, "it is not a regular file");
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = ::read(source.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileCommitError(CommitStep::Write, "Cannot read", sourcePath, errno);
        if (got == 0) return;
        Write(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
}

void PendingFile::SetMode(mode_t mode) {
    if (::fchmod(fd_.Get(), mode & 07777) != 0)
        throw FileCommitError(CommitStep::Write, "Cannot set the permissions of", targetName_, errno);
}

void PendingFile::TakeOwnershipOf(const struct stat& original) {
    SetMode(original.st_mode);
    // Vorlan never changes its identity: asked once, not for every file.
    static const uid_t user = ::geteuid();
    static const gid_t group = ::getegid();
    if (original.st_uid == user && original.st_gid == group) return;
    if (::fchown(fd_.Get(), original.st_uid, original.st_gid) != 0) {
        // Only a privileged process may give a file away; for anyone else the
        // new file belongs to them, as any file they write does.
    }
}

// Names an open unnamed file: directly when the process may (AT_EMPTY_PATH),
// else through its /proc entry. A file made with a name gets the new one as a
// second link and loses the old one.
bool PendingFile::Link(const std::string& name) {
    if (named_) {
        if (::linkat(folderFd_, hiddenName_.c_str(), folderFd_, name.c_str(), 0) != 0) return false;
        ::unlinkat(folderFd_, hiddenName_.c_str(), 0);
        named_ = false;
        return true;
    }
    if (::linkat(fd_.Get(), "", folderFd_, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;  // the name is taken: the other way would fail alike
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_.Get());
    return ::linkat(AT_FDCWD, procPath.c_str(), folderFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

void PendingFile::GiveHiddenName() {
    if (!hiddenName_.empty()) return;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = PendingNameFor(targetName_);
        if (Link(name)) {
            hiddenName_ = name;
            return;
        }
        if (errno != EEXIST) break;
    }
    throw FileCommitError(CommitStep::Name, "Cannot name the new file for", targetName_, errno);
}

// close() is where a full disk may show on file systems that delay writing.
void PendingFile::CloseChecked() {
    if (::close(fd_.Release()) != 0) throw FileCommitError(CommitStep::Write, "Cannot write", targetName_, errno);
}

void PendingFile::Publish(TargetName target) {
    // Where nothing has the target's name yet, the complete file takes it at
    // once: one change of the folder instead of a pending name and a rename.
    if (hiddenName_.empty() && target == TargetName::MayBeFree && Link(targetName_)) {
        try {
            CloseChecked();
        } catch (const FileCommitError&) {
            ::unlinkat(folderFd_, targetName_.c_str(), 0);
            throw;
        }
        return;
    }
    GiveHiddenName();
    CloseChecked();
    if (::renameat(folderFd_, hiddenName_.c_str(), folderFd_, targetName_.c_str()) != 0)
        throw FileCommitError(CommitStep::Replace, "Cannot create", targetName_, errno);
    hiddenName_.clear();
}

void PendingFile::PublishAs(const std::string& name) {
    if (!Link(name)) throw FileCommitError(CommitStep::Name, "Cannot name", name, errno);
    targetName_ = name;
    hiddenName_.clear();
}

PendingFile::HandedOver PendingFile::HandOver() {
    GiveHiddenName();
    return {std::exchange(hiddenName_, std::string()), std::move(fd_)};
}

void PendingFile::Discard() noexcept {
    fd_.Reset();
    if (!hiddenName_.empty()) ::unlinkat(folderFd_, hiddenName_.c_str(), 0);
    hiddenName_.clear();
}

}  // namespace vorlan
