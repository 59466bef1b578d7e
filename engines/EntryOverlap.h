// SPDX-License-Identifier: MIT
// Checks that each entry's bytes are its own: no two entries share bytes of
// their local headers or data, no entry reaches into the central directory,
// and no two entries carry exactly the same name. Archives that fail are
// refused whole: readers disagree on what such an archive holds.
#pragma once

#include <vector>

#include "engines/ArchiveFile.h"
#include "engines/CentralDirectory.h"
#include "engines/EndRecord.h"

namespace vorlan::engine {

struct EntrySpan {
    std::uint64_t lowestLocalHeader = 0;  // counted from the archive's start; 0 without entries
};

// Raises ArchiveRefused on overlapping entries or duplicate names: first as
// CheckDirectoryRanges judges them, then by every local header. An entry
// whose local header cannot be read takes no part in the second: it fails on
// its own when it is read.
EntrySpan CheckEntriesDisjoint(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries);

// The same judged from the directory alone, for an operation that reads a
// few entries: duplicate names, and entries whose shortest possible extent
// (a local header without name, then the data) overlaps another's or the
// directory. The local headers of the entries read are judged by
// CheckEntriesOwnBytes.
EntrySpan CheckDirectoryRanges(const EndRecordInfo& end, const std::vector<RawEntry>& entries);

// Raises ArchiveRefused when the bytes of one of the chosen entries (by index
// into entries), as its local header gives them, reach into the next entry
// or the directory.
void CheckEntriesOwnBytes(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                          const std::vector<std::uint64_t>& chosen);

}  // namespace vorlan::engine
