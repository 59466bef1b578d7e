// SPDX-License-Identifier: MIT
// Checks that a file can be replaced, before anything is written.
#include "filecommit/ReplaceableTarget.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <stdexcept>

#include "filecommit/FileCommitError.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"

namespace vorlan {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw std::runtime_error("Cannot replace \"" + path + "\": " + why);
}

// The immutable and append-only flags (chattr +i, +a) forbid renaming over
// the file whatever its permission bits say.
bool HasUnchangeableFlag(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    int flags = 0;
    if (!fd.Valid() || ::ioctl(fd.Get(), FS_IOC_GETFLAGS, &flags) != 0) return false;  // no such flags here
    return (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// A folder others may write to: a shared one (sticky like /tmp, or
// group- or world-writable). There, a name is only as trustworthy as its
// owner: a file or link of another user may have been planted.
bool IsSharedFolder(const struct stat& folder) {
    return (folder.st_mode & (S_ISVTX | S_IWGRP | S_IWOTH)) != 0;
}

// Whether what the user (effective uid, asked each time: a test may run
// the batch in a child that changed it) may trust in that folder: their
// own files, and the folder owner's, who could replace anything there anyway.
bool IsTrustedIn(const struct stat& file, const struct stat& folder) {
    return !IsSharedFolder(folder) || file.st_uid == ::geteuid() || file.st_uid == folder.st_uid;
}

void CheckFolder(const std::string& path, const struct stat* existing) {
    const std::string folder = FolderOf(path);
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0 || !S_ISDIR(folderStatus.st_mode))
        Refuse(path, "its folder cannot be read");
    if (::access(folder.c_str(), W_OK | X_OK) != 0) Refuse(path, "its folder cannot be written");
    if (existing == nullptr) return;
    // In a sticky folder (/tmp) only the file's or the folder's owner may
    // rename over the file. And in any shared folder another user's file is
    // theirs, even where the user may replace it (root may, anywhere): it
    // may have been planted there.
    const uid_t user = ::geteuid();
    const bool stickyRefuses =
        (folderStatus.st_mode & S_ISVTX) != 0 && user != 0 && existing->st_uid != user && folderStatus.st_uid != user;
    if (stickyRefuses || !IsTrustedIn(*existing, folderStatus))
        Refuse(path, "it belongs to another user in a shared folder");
}

// The kernel's protected-symlinks rule, applied whatever the system's
// setting: in a shared folder a link is followed only when it is the user's
// own or the folder owner's; another's would choose which file is replaced.
void RequireTrustedLink(const std::string& link, const struct stat& linkStatus) {
    struct stat folderStatus {};
    if (::stat(FolderOf(link).c_str(), &folderStatus) != 0)
        throw FileCommitError(CommitStep::Create, "Cannot read the folder of", link, errno);
    if (!IsTrustedIn(linkStatus, folderStatus))
        throw FileCommitError(CommitStep::Create, "Cannot follow the link", link, EACCES,
                              "it is another user's link in a shared folder");
}

}  // namespace

std::string ResolveLinks(std::string path) {
    constexpr int kMostLinks = 40;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) throw FileCommitError(CommitStep::Create, "Cannot resolve", path, errno);
            if (hop == 0) return path;  // nothing there yet
            // A dangling link: a file created through it would appear
            // wherever the link points, which its owner may choose later.
            throw FileCommitError(CommitStep::Create, "Cannot follow the link to", path, ENOENT,
                                  "no file is created through a link");
        }
        if (!S_ISLNK(status.st_mode)) return path;
        RequireTrustedLink(path, status);
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length <= 0) throw FileCommitError(CommitStep::Create, "Cannot resolve", path, length < 0 ? errno : EINVAL);
        std::string next(target, static_cast<std::size_t>(length));
        const auto slash = path.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
        path = std::move(next);
    }
    throw FileCommitError(CommitStep::Create, "Cannot resolve", path, ELOOP);
}

std::optional<struct stat> CheckReplaceable(const std::string& path) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) != 0) {
        CheckFolder(path, nullptr);
        return std::nullopt;
    }
    if (S_ISDIR(existing.st_mode)) Refuse(path, "it is a folder");
    if (S_ISREG(existing.st_mode)) {
        if ((existing.st_mode & 0222) == 0) Refuse(path, "the file is read-only");
        if (HasUnchangeableFlag(path)) Refuse(path, "the file is immutable or append-only");
    }
    CheckFolder(path, &existing);
    return existing;
}

void ReplaceFileNow(const std::string& path, std::string_view bytes) {
    const std::optional<struct stat> existing = CheckReplaceable(path);
    PendingFile file = PendingFile::Beside(path);
    if (existing && S_ISREG(existing->st_mode)) file.SetMode(existing->st_mode);
    file.Write(bytes);
    file.Publish(existing ? TargetName::Taken : TargetName::MayBeFree);
}

}  // namespace vorlan
