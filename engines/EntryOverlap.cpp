// SPDX-License-Identifier: MIT
// Local-header ranges and duplicate names.
#include "engines/EntryOverlap.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "engines/EngineErrors.h"
#include "zipformat/EntryHeaders.h"
#include "zipformat/FormatConstants.h"

namespace vorlan::engine {

namespace {

struct ByteRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// Sorted views of the names, one allocation for the whole directory: a hash
// set's node per name cost more than the sort. Any order brings equal names
// together: by length first, most comparisons end without reading a name
// (a suite's names share long folder prefixes).
void CheckNoDuplicateNames(const std::vector<RawEntry>& entries) {
    std::vector<std::string_view> names;
    names.reserve(entries.size());
    for (const RawEntry& entry : entries) names.emplace_back(entry.name);
    std::sort(names.begin(), names.end(), [](std::string_view a, std::string_view b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    if (std::adjacent_find(names.begin(), names.end()) != names.end())
        throw ArchiveRefused("two entries carry the same name");
}

// The bytes from the local header to the end of the data (a data descriptor
// after the data is left out: it belongs to no other entry either).
std::optional<ByteRange> LocalRange(ArchiveFile& file, std::uint64_t archiveStart, const RawEntry& entry) {
    std::array<std::uint8_t, kLocalHeaderSize> header{};
    if (!file.ReadAt(archiveStart + entry.localHeaderOffset, header.data(), header.size())) return std::nullopt;
    const Decoded<LocalHeader> local = DecodeLocalHeader(header);
    if (!local) return std::nullopt;
    ByteRange range{entry.localHeaderOffset, entry.localHeaderOffset + kLocalHeaderSize + local->VariableLength()};
    // Sizes come from the file: an end beyond every file size is simply too far.
    range.end = entry.compressedSize > (std::uint64_t{1} << 62) ? ~std::uint64_t{0} : range.end + entry.compressedSize;
    return range;
}

// The fewest bytes an entry can take: its fixed local header and its data.
std::uint64_t ShortestEnd(const RawEntry& entry) {
    if (entry.compressedSize > (std::uint64_t{1} << 62)) return ~std::uint64_t{0};
    return entry.localHeaderOffset + kLocalHeaderSize + entry.compressedSize;
}

// Writers list entries in the order they wrote them: mostly there is
// nothing to sort.
std::vector<const RawEntry*> ByOffset(const std::vector<RawEntry>& entries) {
    std::vector<const RawEntry*> byOffset;
    byOffset.reserve(entries.size());
    for (const RawEntry& entry : entries) byOffset.push_back(&entry);
    const auto earlier = [](const RawEntry* a, const RawEntry* b) {
        return a->localHeaderOffset < b->localHeaderOffset;
    };
    if (!std::is_sorted(byOffset.begin(), byOffset.end(), earlier))
        std::sort(byOffset.begin(), byOffset.end(), earlier);
    return byOffset;
}

// The directory alone: no two names alike, no two entries' fewest bytes
// overlapping, none reaching into the directory.
EntrySpan CheckRangesInOrder(const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                             const std::vector<const RawEntry*>& byOffset) {
    CheckNoDuplicateNames(entries);
    const std::uint64_t directoryStart = end.directoryPosition - end.archiveStart;
    std::uint64_t previousEnd = 0;
    for (const RawEntry* entry : byOffset) {
        if (entry->localHeaderOffset < previousEnd) throw ArchiveRefused("entries of the archive overlap");
        previousEnd = ShortestEnd(*entry);
        if (previousEnd > directoryStart) throw ArchiveRefused("an entry overlaps the central directory");
    }
    return EntrySpan{byOffset.empty() ? 0 : byOffset.front()->localHeaderOffset};
}

}  // namespace

EntrySpan CheckDirectoryRanges(const EndRecordInfo& end, const std::vector<RawEntry>& entries) {
    return CheckRangesInOrder(end, entries, ByOffset(entries));
}

void CheckEntriesOwnBytes(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                          const std::vector<std::uint64_t>& chosen) {
    std::vector<std::uint64_t> starts;
    starts.reserve(entries.size());
    for (const RawEntry& entry : entries) starts.push_back(entry.localHeaderOffset);
    std::sort(starts.begin(), starts.end());
    const std::uint64_t directoryStart = end.directoryPosition - end.archiveStart;
    for (const std::uint64_t index : chosen) {
        const RawEntry& entry = entries.at(index);
        const auto range = LocalRange(file, end.archiveStart, entry);
        if (!range) continue;
        const auto next = std::upper_bound(starts.begin(), starts.end(), entry.localHeaderOffset);
        if (next != starts.end() && range->end > *next) throw ArchiveRefused("entries of the archive overlap");
        if (range->end > directoryStart) throw ArchiveRefused("an entry overlaps the central directory");
    }
}

EntrySpan CheckEntriesDisjoint(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries) {
    // What the directory alone shows refuses the archive for every operation
    // alike, whatever the local headers hold.
    const std::vector<const RawEntry*> byOffset = ByOffset(entries);
    CheckRangesInOrder(end, entries, byOffset);
    const std::uint64_t directoryStart = end.directoryPosition - end.archiveStart;
    std::uint64_t previousEnd = 0;
    for (const RawEntry* entry : byOffset) {
        const auto range = LocalRange(file, end.archiveStart, *entry);
        if (!range) continue;
        if (range->begin < previousEnd) throw ArchiveRefused("entries of the archive overlap");
        if (range->end > directoryStart) throw ArchiveRefused("an entry overlaps the central directory");
        previousEnd = range->end;
    }
    return EntrySpan{byOffset.empty() ? 0 : byOffset.front()->localHeaderOffset};
}

}  // namespace vorlan::engine
