// SPDX-License-Identifier: MIT
// The services for archives spanned over removable disks: the kind of a
// path's drive, a drive's volume label, the disk number of a spanned archive's
// disk (from its "PKBACK# nnn" label) and the prompt to insert a given disk.
// None of them raises: a drive that does not answer gives false or 0.
#pragma once

#include <string>

#include "zip/VolumeServices.h"

namespace vorlan {

// The label prefix of a disk of a spanned archive; the disk number follows.
inline constexpr char kSpannedDiskLabelPrefix[] = "PKBACK# ";

// How many times a disk prompt is shown again while OK is answered and the
// wrong disk is in the drive. A person never gets near it; it keeps a caller
// that answers every box with its default button from asking forever.
constexpr int kMaximumDiskPrompts = 100;

// NoRootDir for an empty path; otherwise the kind of the drive holding it.
DriveKind GetDriveKind(VolumeServices& volumes, const std::string& path);

// The volume label of a drive (a drive part), at most 11 characters; false
// when the drive does not answer.
bool GetVolumeLabel(VolumeServices& volumes, const std::string& drive, std::string& label);

// The number in the label of the removable disk that holds fileName, counted
// from 1; 0 when that is no disk of a spanned archive.
int GetSpanDiskNumber(VolumeServices& volumes, const std::string& fileName);

// Asks for disk n until it is in the drive (true) or the user gives up (false).
bool PromptForDisk(VolumeServices& volumes, const std::string& fileName, int disk);

}  // namespace vorlan
