// SPDX-License-Identifier: MIT
// An archive's layout as the engines judge it before libzip sees it: where it
// starts in its file, its entries as stored, and whether its entries are
// disjoint and uniquely named.
#pragma once

#include <cstdint>
#include <vector>

#include "engines/ArchiveFile.h"
#include "engines/CentralDirectory.h"
#include "engines/EndRecord.h"

namespace vorlan::engine {

struct ArchiveLayout {
    EndRecordInfo end;
    std::vector<RawEntry> entries;
    std::uint64_t lowestLocalHeader = 0;

    // The bytes in front of the archive's first record (a self-extracting
    // stub, a script), whether its offsets count from the file's start or from
    // the archive's: the first local header, or the directory when there is
    // no entry. A rewritten archive keeps them as they are, in front of it.
    std::uint64_t FrontLength() const {
        return entries.empty() ? end.directoryPosition : end.archiveStart + lowestLocalHeader;
    }
    // Whether libzip would open the archive and see these entries: its end
    // record and every central record as read here, and no bytes in the
    // directory past the last record.
    bool ReadAlikeByLibzip() const;
};

// Reads and checks the layout of a non-empty file, every local header
// included (its bytes its own, its fields those of its central record);
// raises ArchiveRefused.
ArchiveLayout ReadArchiveLayout(ArchiveFile& file);

// The same from the end record and the directory alone, for reading a few
// entries; their local headers are judged once they are chosen
// (CheckEntriesOwnBytes).
ArchiveLayout ReadDirectoryLayout(ArchiveFile& file);

}  // namespace vorlan::engine
