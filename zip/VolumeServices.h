// SPDX-License-Identifier: MIT
// The drive and volume services an archive's disk is judged by: which mount
// holds a path, what kind of drive that is, and its volume label. The system
// provides them from /proc/self/mountinfo, sysfs and libblkid; tests provide
// a fake with floppies and empty drives.
#pragma once

#include <string>

namespace vorlan {

// The drive kinds, with the values of the Windows drive types so that the
// numbers callers compare with stay meaningful.
enum class DriveKind : unsigned {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
};

class VolumeServices {
public:
    virtual ~VolumeServices() = default;

    // The drive part of a path: the mount point that holds it (a relative
    // path is taken from the current directory); empty for an empty path.
    virtual std::string DrivePart(const std::string& path) = 0;

    // The kind of the drive whose root (a DrivePart, "/" added or not) is given.
    virtual DriveKind KindOf(const std::string& root) = 0;

    // The volume label of that drive, at most 11 characters. False when the
    // drive does not answer: no such mount, or a removable drive without a
    // medium. label is empty on failure.
    virtual bool Label(const std::string& root, std::string& label) = 0;
};

}  // namespace vorlan
