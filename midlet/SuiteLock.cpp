// SPDX-License-Identifier: MIT
// Locking a suite's files.
#include "midlet/SuiteLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace vorlan {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

using Clock = std::chrono::steady_clock;

// One wait for the whole suite, JAR and JAD together.
class LockWait {
public:
    explicit LockWait(const LockWaiting& waiting) : waiting_(waiting) {}

    // Called while path is held by another process; throws once the wait
    // is over.
    void WaitOnce(const std::string& path) {
        if (!started_) {
            started_ = true;
            if (waiting_.beforeWaiting) waiting_.beforeWaiting();
            deadline_ = Clock::now() + std::chrono::milliseconds(kLongestLockWaitMs);
        }
        if (waiting_.stopWaiting && waiting_.stopWaiting())
            throw std::runtime_error("Stopped while \"" + path + "\" was in use by another program");
        if (Clock::now() >= deadline_)
            throw std::runtime_error("\"" + path + "\" is in use by another program; it is left as it is");
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
    }

private:
    static constexpr int kPollIntervalMs = 50;
    const LockWaiting& waiting_;
    bool started_ = false;
    Clock::time_point deadline_{};
};

// The lock of the file path names now; none when nothing is there. After a
// wait the name may give a newer file (another process committed one): that
// one is locked instead. Opened without waiting on a FIFO or taking a
// terminal, and never of anything but a regular file.
FileDescriptor LockFile(const std::string& path, LockWait& wait, struct stat& locked) {
    for (;;) {
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (!fd.Valid() || ::fstat(fd.Get(), &locked) != 0 || !S_ISREG(locked.st_mode)) return {};
        while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) return {};  // no locks here (some network shares): nothing to wait for
            wait.WaitOnce(path);
        }
        struct stat now {};
        if (::stat(path.c_str(), &now) == 0 && SameFile(now, locked)) return fd;
    }
}

}  // namespace

SuiteLock::SuiteLock(const std::string& jar, const std::string& descriptor, const LockWaiting& waiting) : jar_(jar) {
    LockWait wait(waiting);
    FileDescriptor jarLock = LockFile(jar, wait, jarStatus_);
    jarExisted_ = jarLock.Valid();
    if (jarExisted_) locks_.push_back(std::move(jarLock));
    struct stat descriptorStatus {};
    FileDescriptor descriptorLock = LockFile(descriptor, wait, descriptorStatus);
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
