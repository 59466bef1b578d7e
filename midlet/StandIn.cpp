// SPDX-License-Identifier: MIT
// Hidden stand-ins for JARs the add engine updates.
#include "midlet/StandIn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "filecommit/FileCommitError.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"

namespace vorlan {

namespace {

std::string BesideJar(const std::string& jar, const std::string& name) {
    const std::size_t slash = jar.rfind('/');
    return slash == std::string::npos ? name : jar.substr(0, slash + 1) + name;
}

}  // namespace

StandIn::StandIn(const std::string& jar) : jar_(jar) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = BesideJar(jar, PendingNameFor(NameOf(jar)));
        if (::link(jar.c_str(), path.c_str()) == 0) {
            path_ = path;
            return;
        }
        if (errno != EEXIST) break;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK && errno != ENOSYS)
        throw FileCommitError(CommitStep::Create, "Cannot make a stand-in beside", jar, errno);
    // No hard links here (FAT, some shares): a copy with the JAR's bits.
    struct stat status {};
    if (::stat(jar.c_str(), &status) != 0) throw FileCommitError(CommitStep::Create, "Cannot read", jar, errno);
    PendingFile copy = PendingFile::Beside(jar);
    copy.CopyFrom(jar);
    copy.SetMode(status.st_mode);
    PendingFile::HandedOver handed = copy.HandOver();
    path_ = BesideJar(jar, handed.hiddenName);
    copyLock_ = std::move(handed.fd);
}

StandIn::~StandIn() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

std::optional<PendingRename> StandIn::HandOver(FileDescriptor& lock) {
    lock.Reset(::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!lock.Valid()) throw FileCommitError(CommitStep::Name, "Cannot open the new archive for", jar_, errno);
    struct stat standIn {};
    struct stat jar {};
    // Renaming one link of a file over another of the same file does nothing
    // at all (the stand-in would stay): an unchanged stand-in just goes.
    if (::fstat(lock.Get(), &standIn) == 0 && ::stat(jar_.c_str(), &jar) == 0 && standIn.st_dev == jar.st_dev &&
        standIn.st_ino == jar.st_ino) {
        lock.Reset();
        return std::nullopt;
    }
    ::flock(lock.Get(), LOCK_EX | LOCK_NB);  // marks it as held, as a pending file is
    PendingRename rename{FolderOf(jar_), NameOf(path_), NameOf(jar_)};
    path_.clear();
    return rename;
}

}  // namespace vorlan
