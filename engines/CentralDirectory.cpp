// SPDX-License-Identifier: MIT
// Reading the central directory record by record.
#include "engines/CentralDirectory.h"

#include "engines/EngineErrors.h"
#include "zipformat/DirectoryWalker.h"

namespace vorlan::engine {

namespace {

constexpr unsigned kUnixHost = 3;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kSymbolicLinkType = 0120000;

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

std::vector<RawEntry> ReadCentralDirectory(ArchiveFile& file, const EndRecordInfo& end) {
    if (end.entryCount > end.directorySize / kCentralHeaderSize)
        throw ArchiveRefused("the end record announces more entries than its directory can hold");
    std::vector<std::uint8_t> bytes(end.directorySize);
    if (!file.ReadAt(end.directoryPosition, bytes.data(), bytes.size()))
        throw ArchiveRefused("the central directory cannot be read");
    CentralDirectoryWalker walker(bytes);
    std::vector<RawEntry> entries;
    entries.reserve(end.entryCount);
    for (std::uint64_t i = 0; i < end.entryCount; ++i) entries.push_back(NextEntry(walker));
    if (walker.AnotherRecordFollows())
        throw ArchiveRefused("the directory holds more entries than its end record announces");
    return entries;
}

}  // namespace vorlan::engine
