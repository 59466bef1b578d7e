// SPDX-License-Identifier: MIT
// Where a JAR's central directory lies, found as a directory reader finds
// it: from the last end record (APPNOTE 4.3.16) whose directory lies where
// it says, and read whole within the limit the batch itself applies.
#pragma once

#include <cstdint>
#include <vector>

#include "suitecheck/JarFile.h"

namespace vorlan {

struct JarDirectory {
    // Where the directory's offsets count from: data in front of the
    // archive (a stub) moves it when the offsets do not count it.
    std::uint64_t archiveStart = 0;
    std::uint16_t entryCount = 0;
    std::vector<std::uint8_t> records;  // the central directory's bytes
};

// Throws std::runtime_error saying why the file is no zip a phone reads.
JarDirectory ReadJarDirectory(JarFile& file);

}  // namespace vorlan
