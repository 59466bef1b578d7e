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

    // Bytes in front of the first entry that belong to no entry (a stub, a
    // script): rewriting the archive would drop them.
    bool hasDataInFront() const { return end.archiveStart > 0 || lowestLocalHeader > 0; }
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
