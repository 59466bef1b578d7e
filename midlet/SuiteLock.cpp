// Locking a suite's files.
#include "midlet/SuiteLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <stdexcept>

namespace vorlan {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The lock of the file path names now; none when nothing is there. After a
// wait the name may give a newer file (another process committed one): that
// one is locked instead.
FileDescriptor LockFile(const std::string& path, const std::function<void()>& beforeWaiting, bool& waited,
                        struct stat& locked) {
    for (;;) {
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (!fd.Valid() || ::fstat(fd.Get(), &locked) != 0 || !S_ISREG(locked.st_mode)) return {};
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK) return {};  // no locks here (some network shares): nothing to wait for
            if (!waited && beforeWaiting) beforeWaiting();
            waited = true;
            while (::flock(fd.Get(), LOCK_EX) != 0)
                if (errno != EINTR) return {};
        }
        struct stat now {};
        if (::stat(path.c_str(), &now) == 0 && SameFile(now, locked)) return fd;
    }
}

}  // namespace

SuiteLock::SuiteLock(const std::string& jar, const std::string& descriptor, const std::function<void()>& beforeWaiting)
    : jar_(jar) {
    bool waited = false;
    FileDescriptor jarLock = LockFile(jar, beforeWaiting, waited, jarStatus_);
    jarExisted_ = jarLock.Valid();
    if (jarExisted_) locks_.push_back(std::move(jarLock));
    struct stat descriptorStatus {};
    FileDescriptor descriptorLock = LockFile(descriptor, beforeWaiting, waited, descriptorStatus);
    if (descriptorLock.Valid() && !(jarExisted_ && SameFile(descriptorStatus, jarStatus_)))
        locks_.push_back(std::move(descriptorLock));
}

// The change time is left out: the stand-in's link and the engine's rename
// over it move it, and neither changes the content.
std::function<void()> SuiteLock::UnchangedCheck() const {
    if (!jarExisted_) return {};
    return [jar = jar_, then = jarStatus_] {
        struct stat now {};
        const bool same = ::stat(jar.c_str(), &now) == 0 && SameFile(now, then) && now.st_size == then.st_size &&
                          now.st_mtim.tv_sec == then.st_mtim.tv_sec && now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
        if (!same)
            throw std::runtime_error("\"" + jar + "\" changed while it was being worked on; it is left as it is");
    };
}

}  // namespace vorlan
