// SPDX-License-Identifier: MIT
// The mounts of this process as /proc/self/mountinfo lists them, and the
// mount that holds a given path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

struct MountEntry {
    unsigned major = 0;  // device number of the mounted file system
    unsigned minor = 0;
    std::string mountPoint;
    std::string fileSystemType;
    std::string source;  // "/dev/sdb1", "server:/export", "tmpfs", ...
};

// Parses mountinfo text (see proc(5)); malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The current mounts; empty when /proc/self/mountinfo cannot be read. The
// table is read again only after the kernel reports a change of the mounts,
// so asking on every archive opened costs one poll. One thread only.
const std::vector<MountEntry>& CurrentMounts();

// Counts the readings of the mount table: what was learnt about a mount's
// device stays valid while this number stays the same.
std::uint64_t MountTableGeneration();

// The mount whose mount point holds the absolute path (the longest such
// mount point; of equal ones the last, which hides the others), or nullptr.
const MountEntry* FindMountHolding(const std::vector<MountEntry>& mounts, std::string_view path);

// The mount mounted exactly at mountPoint (the last one), or nullptr.
const MountEntry* FindMountAt(const std::vector<MountEntry>& mounts, std::string_view mountPoint);

}  // namespace vorlan
