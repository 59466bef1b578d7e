// SPDX-License-Identifier: MIT
// The fake drive and volume layer.
#include "tests/support/FakeVolumes.h"

#include <filesystem>

namespace vorlan::test {

namespace {

std::string WithoutTrailingSlash(std::string root) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

bool Holds(const std::string& mountPoint, const std::string& path) {
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

}  // namespace

std::string FakeVolumes::DrivePart(const std::string& path) {
    if (path.empty()) return std::string();
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    std::string best;
    for (const auto& [mountPoint, drive] : drives) {
        if (Holds(mountPoint, absolute) && mountPoint.size() > best.size()) best = mountPoint;
    }
    return best;
}

const FakeVolumes::Drive* FakeVolumes::DriveAt(const std::string& root) const {
    const auto found = drives.find(WithoutTrailingSlash(root));
    return found == drives.end() ? nullptr : &found->second;
}

DriveKind FakeVolumes::KindOf(const std::string& root) {
    if (beforeQuery) beforeQuery();
    if (root.empty()) return DriveKind::NoRootDir;
    const Drive* drive = DriveAt(root);
    return drive != nullptr ? drive->kind : DriveKind::NoRootDir;
}

bool FakeVolumes::Label(const std::string& root, std::string& label) {
    if (beforeQuery) beforeQuery();
    ++labelQueries;
    label.clear();
    const Drive* drive = DriveAt(root);
    if (drive == nullptr || !drive->hasMedium) return false;
    label = drive->label;
    return true;
}

}  // namespace vorlan::test
