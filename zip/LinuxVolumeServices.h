// SPDX-License-Identifier: MIT
// The system's drive and volume services on Linux: mounts from
// /proc/self/mountinfo, removable drives from sysfs, labels from libblkid
// (falling back to /dev/disk/by-label).
#pragma once

#include <string>

#include "zip/VolumeServices.h"

namespace vorlan {

class LinuxVolumeServices : public VolumeServices {
public:
    std::string DrivePart(const std::string& path) override;
    DriveKind KindOf(const std::string& root) override;
    bool Label(const std::string& root, std::string& label) override;
};

// The process's one instance, used by every component that was given no other.
VolumeServices& SystemVolumeServices();

}  // namespace vorlan
