// SPDX-License-Identifier: MIT
// Whether a path names something already there, as the component's
// operations ask before they open, create or enter it. Links are followed:
// the user may point the component at an archive or folder through one.
#pragma once

#include <sys/stat.h>

#include <string>

namespace vorlan {

// Anything but a folder (a file, a device, ...).
inline bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

inline bool IsExistingFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace vorlan
