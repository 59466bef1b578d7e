// SPDX-License-Identifier: MIT
// Comparing local headers with their central records.
#include "engines/LocalHeaders.h"

#include <numeric>
#include <string>

#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "zipformat/LocalRecords.h"

namespace vorlan::engine {

namespace {

CentralFacts FactsOf(const RawEntry& entry) {
    return CentralFacts{entry.name, entry.flags, entry.method, entry.crc, entry.compressedSize, entry.uncompressedSize};
}

}  // namespace

void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                            const std::vector<std::uint64_t>& chosen) {
    LocalRecordReader locals(file);
    for (const std::uint64_t index : chosen) {
        const RawEntry& entry = entries.at(index);
        const Decoded<LocalRecord> local = locals.Read(end.archiveStart + entry.localHeaderOffset);
        if (!local) continue;
        const LocalDisagreement disagreement = FindDisagreement(*local, FactsOf(entry));
        if (disagreement != LocalDisagreement::None)
            throw ArchiveRefused("the local header of \"" + EscapedEntryName(entry.name) +
                                 "\" disagrees with its central " + "directory record (" +
                                 std::string(DisagreementName(disagreement)) + ")");
    }
}

void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries) {
    std::vector<std::uint64_t> every(entries.size());
    std::iota(every.begin(), every.end(), std::uint64_t{0});
    CheckLocalHeadersAgree(file, end, entries, every);
}

}  // namespace vorlan::engine
