// SPDX-License-Identifier: MIT
// Locating an archive's central directory from its end-of-central-directory
// record (APPNOTE 4.3.16), Zip64 end records included (APPNOTE 4.3.14-15).
#pragma once

#include <cstdint>

#include "engines/ArchiveFile.h"

namespace vorlan::engine {

// Where an archive lies in its file. Offsets stored in the archive count from
// archiveStart; data in front of it (a stub or a script) makes that non-zero.
struct EndRecordInfo {
    std::uint64_t recordPosition = 0;     // file offset of the end record
    std::uint64_t archiveStart = 0;       // file offset where the archive's offsets count from
    std::uint64_t archiveEnd = 0;         // file offset just past the end record and its comment
    std::uint64_t directoryPosition = 0;  // file offset of the central directory
    std::uint64_t directorySize = 0;
    std::uint64_t entryCount = 0;
    // Whether libzip finds the same end record and reads it alike: no Zip64
    // end record, the two entry counts equal, the comment inside the file,
    // and no other end record signature in the bytes searched.
    bool readAlikeByLibzip = false;
};

// Finds the last end record, scanning back from the end of the file over at
// most the longest comment, whose central directory lies where it says.
// Raises ArchiveRefused when there is none or the archive spans several disks.
EndRecordInfo FindEndRecord(ArchiveFile& file);

}  // namespace vorlan::engine
