// One Vorlan process per suite: the JAR a step reads and replaces, and its
// JAD when there is one, are locked (flock, JAR first) from before the JAR is
// read until the suite's group has committed. Another process waits; before
// it waits it commits its own open group, so that no process waits while it
// holds locks another may be waiting for.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

class SuiteLock {
public:
    // beforeWaiting runs once, before the first wait.
    SuiteLock(const std::string& jar, const std::string& descriptor, const std::function<void()>& beforeWaiting);

    // A check that throws when the JAR is no longer what it was when it was
    // locked (its size, modification time, or the file its name gives): a
    // result computed from the old content must not replace it.
    std::function<void()> UnchangedCheck() const;
    // The locks, to be held until the suite has committed.
    std::vector<FileDescriptor> TakeLocks() { return std::move(locks_); }

private:
    std::string jar_;
    bool jarExisted_ = false;
    struct stat jarStatus_ {};
    std::vector<FileDescriptor> locks_;
};

}  // namespace vorlan
