// SPDX-License-Identifier: MIT
// Reading the central directory record by record.
#include "engines/CentralDirectory.h"

#include <algorithm>
#include <string_view>

#include "engines/EngineErrors.h"
#include "zipformat/DirectoryWalker.h"
#include "zipformat/LittleEndianReader.h"
#include "zipformat/Utf8.h"

namespace vorlan::engine {

namespace {

constexpr unsigned kUnixHost = 3;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kSymbolicLinkType = 0120000;

// libzip counts control characters other than tab and line ends as no UTF-8.
bool LibzipTakesAsUtf8(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    return IsWellFormedUtf8(text);  // which passes ASCII eight bytes at a time
}

// libzip refuses an archive with an extra field that is not whole blocks,
// with a size or offset marked as in a Zip64 field (when that field lacks
// it), or with a name or comment flagged as UTF-8 that is not; and it puts
// the name or comment of an Info-ZIP Unicode block in place of the stored
// one. Records free of all this, on the first disk, libzip reads as here.
bool LibzipReadsAlike(const CentralRecord& record) {
    const CentralHeader& header = record.header;
    if (header.compressedSize == kInZip64Extra || header.uncompressedSize == kInZip64Extra ||
        header.localHeaderOffset == kInZip64Extra || header.diskNumberStart != 0)
        return false;
    const std::span<const std::uint8_t> extra = AsBytes(record.extra);
    if (!ExtraHoldsWholeBlocks(extra) || FindExtraBlock(extra, kUnicodePathExtraId) ||
        FindExtraBlock(extra, kUnicodeCommentExtraId))
        return false;
    const bool flaggedUtf8 = (header.flags & kFlagUtf8Name) != 0;
    return !flaggedUtf8 || (LibzipTakesAsUtf8(record.name) && LibzipTakesAsUtf8(record.comment));
}

RawEntry EntryOf(const CentralRecord& record) {
    RawEntry entry;
    entry.name.assign(record.name);
    entry.versionMadeBy = record.header.versionMadeBy;
    entry.flags = record.header.flags;
    entry.method = record.header.method;
    entry.crc = record.header.crc;
    entry.compressedSize = record.compressedSize;
    entry.uncompressedSize = record.uncompressedSize;
    entry.externalAttributes = record.header.externalAttributes;
    entry.localHeaderOffset = record.localHeaderOffset;
    entry.dosTime = record.header.dosTime;
    entry.dosDate = record.header.dosDate;
    entry.recordSize = record.Size();
    entry.readAlikeByLibzip = LibzipReadsAlike(record);
    return entry;
}

RawEntry NextEntry(CentralDirectoryWalker& walker) {
    const Decoded<CentralRecord> record = walker.Next();
    if (!record && record.Fault() == RecordFault::WrongSignature)
        throw ArchiveRefused("a central directory record is damaged");
    if (!record || record->zip64CutShort) throw ArchiveRefused("the central directory is cut short");
    return EntryOf(*record);
}

}  // namespace

bool RawEntry::IsSymbolicLink() const {
    return (versionMadeBy >> 8) == kUnixHost && ((externalAttributes >> 16) & kFileTypeMask) == kSymbolicLinkType;
}

std::time_t RawEntry::Modified() const {
    std::tm local{};
    local.tm_isdst = -1;  // mktime knows whether summer time applied
    local.tm_year = ((dosDate >> 9) & 127) + 1980 - 1900;
    local.tm_mon = ((dosDate >> 5) & 15) - 1;
    local.tm_mday = dosDate & 31;
    local.tm_hour = (dosTime >> 11) & 31;
    local.tm_min = (dosTime >> 5) & 63;
    local.tm_sec = (dosTime << 1) & 62;
    return std::mktime(&local);
}

std::vector<RawEntry> ReadCentralDirectory(ArchiveFile& file, const EndRecordInfo& end) {
    if (end.entryCount > end.directorySize / kCentralHeaderSize)
        throw ArchiveRefused("the end record announces more entries than its directory can hold");
    // The directory mostly lies in what the end record's search read: no copy of it then.
    std::vector<std::uint8_t> copy;
    const auto bytes = file.BytesAt(end.directoryPosition, static_cast<std::size_t>(end.directorySize), copy);
    if (!bytes) throw ArchiveRefused("the central directory cannot be read");
    CentralDirectoryWalker walker(*bytes);
    std::vector<RawEntry> entries;
    entries.reserve(end.entryCount);
    for (std::uint64_t i = 0; i < end.entryCount; ++i) entries.push_back(NextEntry(walker));
    if (walker.AnotherRecordFollows())
        throw ArchiveRefused("the directory holds more entries than its end record announces");
    return entries;
}

}  // namespace vorlan::engine
