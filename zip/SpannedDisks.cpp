// SPDX-License-Identifier: MIT
// Disk labels of spanned archives and the prompts that ask for a disk.
#include "zip/SpannedDisks.h"

#include <cstring>

#include "platform/Application.h"
#include "zip/ExistingPaths.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

constexpr std::size_t kLabelCharacters = 11;  // the label buffer held 12 with its terminator
constexpr std::size_t kDiskNumberDigits = 3;

// Only plain digits make a disk number; anything else is not a disk label.
int DiskNumberFromLabel(const std::string& label) {
    const std::size_t prefixLength = std::strlen(kSpannedDiskLabelPrefix);
    if (label.compare(0, prefixLength, kSpannedDiskLabelPrefix) != 0) return 0;
    const std::string digits = label.substr(prefixLength, kDiskNumberDigits);
    if (digits.empty()) return 0;
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

DriveKind GetDriveKind(VolumeServices& volumes, const std::string& path) {
    if (path.empty()) return DriveKind::NoRootDir;
    return volumes.KindOf(AddBackslash(volumes.DrivePart(path)));
}

bool GetVolumeLabel(VolumeServices& volumes, const std::string& drive, std::string& label) {
    label.clear();
    std::string answer;
    if (!volumes.Label(AddBackslash(drive), answer)) return false;
    label = answer.substr(0, kLabelCharacters);
    return true;
}

int GetSpanDiskNumber(VolumeServices& volumes, const std::string& fileName) {
    if (!IsExistingFile(fileName)) return 0;
    if (GetDriveKind(volumes, fileName) != DriveKind::Removable) return 0;
    std::string label;
    if (!GetVolumeLabel(volumes, volumes.DrivePart(fileName), label)) return 0;
    return DiskNumberFromLabel(label);
}

bool PromptForDisk(VolumeServices& volumes, const std::string& fileName, int disk) {
    if (GetSpanDiskNumber(volumes, fileName) == disk) return true;
    const std::string text = "Insert [ Disk " + std::to_string(disk) +
                             " ] of the Zip file into the floppy drive\nbefore pressing [ OK ] to continue ...";
    for (int prompt = 0; prompt < kMaximumDiskPrompts; ++prompt) {
        if (App().MessageBox(text, App().Title(), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return false;
        if (GetSpanDiskNumber(volumes, fileName) == disk) return true;
    }
    return false;
}

}  // namespace vorlan
