// SPDX-License-Identifier: MIT
// Reading and judging an archive's layout in one place.
#include "engines/ArchiveLayout.h"

#include "engines/EntryOverlap.h"
#include "engines/LocalHeaders.h"

namespace vorlan::engine {

bool ArchiveLayout::ReadAlikeByLibzip() const {
    std::uint64_t recordBytes = 0;
    for (const RawEntry& entry : entries) {
        if (!entry.readAlikeByLibzip) return false;
        recordBytes += entry.recordSize;
    }
    return end.readAlikeByLibzip && recordBytes == end.directorySize;
}

ArchiveLayout ReadArchiveLayout(ArchiveFile& file) {
    ArchiveLayout layout;
    layout.end = FindEndRecord(file);
    layout.entries = ReadCentralDirectory(file, layout.end);
    layout.lowestLocalHeader = CheckEntriesDisjoint(file, layout.end, layout.entries).lowestLocalHeader;
    CheckLocalHeadersAgree(file, layout.end, layout.entries);
    return layout;
}

ArchiveLayout ReadDirectoryLayout(ArchiveFile& file) {
    ArchiveLayout layout;
    layout.end = FindEndRecord(file);
    layout.entries = ReadCentralDirectory(file, layout.end);
    layout.lowestLocalHeader = CheckDirectoryRanges(layout.end, layout.entries).lowestLocalHeader;
    return layout;
}

}  // namespace vorlan::engine
