// SPDX-License-Identifier: MIT
// Parsing /proc/self/mountinfo.
#include "zip/MountTable.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

namespace {

bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// mountinfo writes space, tab, newline and backslash as octal escapes (\040).
std::string Unescape(std::string_view field) {
    std::string result;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
                            IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3]);
        if (escape) {
            result += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            result += field[i];
        }
    }
    return result;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start) fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

bool ParseDeviceNumber(std::string_view text, unsigned& major, unsigned& minor) {
    unsigned* target = &major;
    major = minor = 0;
    bool sawColon = false;
    for (char c : text) {
        if (c == ':' && !sawColon) {
            sawColon = true;
            target = &minor;
        } else if (c >= '0' && c <= '9') {
            *target = *target * 10 + static_cast<unsigned>(c - '0');
        } else {
            return false;
        }
    }
    return sawColon;
}

// Fields: id parent major:minor root mount-point options [optional...] - type source super-options
bool ParseLine(std::string_view line, MountEntry& entry) {
    const std::vector<std::string_view> fields = SplitFields(line);
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (fields.size() < 5 || separator + 2 >= fields.size()) return false;
    if (!ParseDeviceNumber(fields[2], entry.major, entry.minor)) return false;
    entry.mountPoint = Unescape(fields[4]);
    entry.fileSystemType = Unescape(fields[separator + 1]);
    entry.source = Unescape(fields[separator + 2]);
    return !entry.mountPoint.empty() && entry.mountPoint.front() == '/';
}

bool Holds(std::string_view mountPoint, std::string_view path) {
    if (mountPoint == "/") return !path.empty() && path.front() == '/';
    if (path.substr(0, mountPoint.size()) != mountPoint) return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        MountEntry entry;
        if (ParseLine(text.substr(start, end - start), entry)) mounts.push_back(std::move(entry));
        start = end + 1;
    }
    return mounts;
}

namespace {

struct MountTableCache {
    int descriptor = -1;
    bool valid = false;
    std::uint64_t generation = 0;
    std::vector<MountEntry> mounts;
};

MountTableCache& Cache() {
    static MountTableCache* cache = new MountTableCache;  // lives until the process ends
    return *cache;
}

std::string ReadWhole(int descriptor) {
    std::string text;
    if (lseek(descriptor, 0, SEEK_SET) == 0) static_cast<void>(ReadToEnd(descriptor, text));  // a part is still a table
    return text;
}

// mountinfo reports a change of the mount table as a priority event (proc(5)).
bool MountsChanged(int descriptor) {
    pollfd watch{descriptor, POLLPRI, 0};
    return poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR)) != 0;
}

}  // namespace

const std::vector<MountEntry>& CurrentMounts() {
    MountTableCache& cache = Cache();
    if (cache.descriptor < 0) {
        cache.descriptor = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        cache.valid = false;
    }
    if (cache.descriptor < 0) {
        cache.mounts.clear();
        return cache.mounts;
    }
    if (MountsChanged(cache.descriptor) || !cache.valid) {
        cache.mounts = ParseMountInfo(ReadWhole(cache.descriptor));
        cache.valid = true;
        ++cache.generation;
    }
    return cache.mounts;
}

std::uint64_t MountTableGeneration() {
    return Cache().generation;
}

const MountEntry* FindMountHolding(const std::vector<MountEntry>& mounts, std::string_view path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        if (Holds(mount.mountPoint, path) && (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size())) {
            best = &mount;
        }
    }
    return best;
}

const MountEntry* FindMountAt(const std::vector<MountEntry>& mounts, std::string_view mountPoint) {
    const MountEntry* found = nullptr;
    for (const MountEntry& mount : mounts) {
        if (mount.mountPoint == mountPoint) found = &mount;
    }
    return found;
}

}  // namespace vorlan
