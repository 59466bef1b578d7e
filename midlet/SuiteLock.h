// SPDX-License-Identifier: MIT
// One Vorlan process per suite: the JAR a step reads and replaces, and its
// JAD when there is one, are locked (flock, JAR first) from before the JAR is
// read until the suite's group has committed. Another process waits, a few
// seconds at most (the holder may be any program that can read the file,
// another user's too); before it waits it commits its own open group, so
// that no process waits while it holds locks another may be waiting for.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

// How long a suite held by another program is waited for, in all.
constexpr int kLongestLockWaitMs = 5000;

struct LockWaiting {
    std::function<void()> beforeWaiting;  // runs once, before the first wait
    std::function<bool()> stopWaiting;    // asked while waiting: true gives up at once
};

class SuiteLock {
public:
    // Throws when the suite is still held by another program after the
    // longest wait, or when stopWaiting asked to give up.
    SuiteLock(const std::string& jar, const std::string& descriptor, const LockWaiting& waiting);

    // A check that throws when the JAR is no longer what it was when it was
    // locked (its size, modification time, or the file its name gives): a
    // result computed from the old content must not replace it.
    std::function<void()> UnchangedCheck() const;
    // The JAR's size when it was locked; -1 when there was no JAR to lock.
    std::int64_t JarSize() const { return jarExisted_ ? static_cast<std::int64_t>(jarStatus_.st_size) : -1; }
    // The locks, to be held until the suite has committed.
    std::vector<FileDescriptor> TakeLocks() { return std::move(locks_); }

private:
    std::string jar_;
    bool jarExisted_ = false;
    struct stat jarStatus_ {};
    std::vector<FileDescriptor> locks_;
};

}  // namespace vorlan
