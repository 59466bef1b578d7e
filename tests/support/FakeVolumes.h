// SPDX-License-Identifier: MIT
// A fake drive and volume layer for tests: folders of the test stand for
// drives of any kind (a floppy labelled "PKBACK# 003", a drive with no disk, a
// fixed disk), and a hook lets a test swap the disk in a drive between queries.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "zip/VolumeServices.h"

namespace vorlan::test {

class FakeVolumes : public VolumeServices {
public:
    struct Drive {
        DriveKind kind = DriveKind::Fixed;
        bool hasMedium = true;
        std::string label;
    };

    // Drives by mount point (an absolute folder without a trailing "/"). A
    // path belongs to the drive with the longest mount point holding it; a
    // path under none has an empty drive part.
    std::map<std::string, Drive> drives;

    // Runs before every kind or label query: a test inserts disks here.
    std::function<void()> beforeQuery;
    int labelQueries = 0;

    std::string DrivePart(const std::string& path) override;
    DriveKind KindOf(const std::string& root) override;
    bool Label(const std::string& root, std::string& label) override;

private:
    const Drive* DriveAt(const std::string& root) const;
};

}  // namespace vorlan::test
