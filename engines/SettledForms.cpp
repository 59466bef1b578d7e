// SPDX-License-Identifier: MIT
// Finding compressed forms again by the state of the file they were made from.
#include "engines/SettledForms.h"

#include <linux/magic.h>
#include <sys/vfs.h>

namespace vorlan::engine {

namespace {

// More paths than any set of API archives holds; past it the records start
// afresh rather than grow without end.
constexpr std::size_t kMostRecords = 65536;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// b - a in nanoseconds, saturated instead of overflowing.
long long NanosecondsBetween(const timespec& a, const timespec& b) {
    const long long seconds = static_cast<long long>(b.tv_sec) - static_cast<long long>(a.tv_sec);
    if (seconds > 1'000'000) return 1'000'000'000'000'000LL;
    if (seconds < -1'000'000) return -1'000'000'000'000'000LL;
    return seconds * 1'000'000'000LL + (static_cast<long long>(b.tv_nsec) - static_cast<long long>(a.tv_nsec));
}

bool Settled(const FileReading& reading) {
    return NanosecondsBetween(reading.state.changed, reading.readAt) > kSettledAfterNanoseconds;
}

}  // namespace

bool FileState::operator==(const FileState& other) const {
    return device == other.device && inode == other.inode && size == other.size && SameTime(modified, other.modified) &&
           SameTime(changed, other.changed);
}

FileState StateOf(const struct stat& status) {
    return FileState{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

timespec RealTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool HeldInMemory(const char* folderPath) {
    struct statfs info {};
    return statfs(folderPath, &info) == 0 && info.f_type == TMPFS_MAGIC;
}

bool SettledForms::Knows(const std::string& path) const {
    const std::lock_guard lock(mutex_);
    return records_.count(path) != 0;
}

std::shared_ptr<const CompressedEntry> SettledForms::Find(const std::string& path, const FileState& now,
                                                          int level) const {
    const std::lock_guard lock(mutex_);
    const auto found = records_.find(path);
    if (found == records_.end()) return nullptr;
    const Record& record = found->second;
    if (record.level != level || !(record.reading.state == now) || !Settled(record.reading)) return nullptr;
    return record.form.lock();
}

void SettledForms::Remember(const std::string& path, const FileReading& reading, int level,
                            const std::shared_ptr<const CompressedEntry>& form) {
    const std::lock_guard lock(mutex_);
    if (records_.size() >= kMostRecords && records_.count(path) == 0) records_.clear();
    records_[path] = Record{reading, level, form};
}

SettledForms& ProcessSettledForms() {
    static SettledForms forms;
    return forms;
}

}  // namespace vorlan::engine
