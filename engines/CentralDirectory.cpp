// Reading the central directory record by record.
#include "engines/CentralDirectory.h"

#include "engines/EngineErrors.h"
#include "zipformat/EntryHeaders.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan::engine {

namespace {

constexpr unsigned kUnixHost = 3;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kSymbolicLinkType = 0120000;

// Sizes and offset that do not fit 32 bits are in the Zip64 extra field, in
// this order, present only where the fixed field holds all ones (APPNOTE 4.5.3).
void ApplyZip64Extra(std::span<const std::uint8_t> extra, RawEntry& entry, bool& ok) {
    const auto data = FindExtraBlock(extra, kZip64ExtraId);
    if (!data) return;
    LittleEndianReader values(*data);
    if (entry.uncompressedSize == kInZip64Extra) entry.uncompressedSize = values.U64();
    if (entry.compressedSize == kInZip64Extra) entry.compressedSize = values.U64();
    if (entry.localHeaderOffset == kInZip64Extra) entry.localHeaderOffset = values.U64();
    ok = ok && values.Ok();
}

RawEntry DecodeRecord(LittleEndianReader& reader) {
    if (!StartsWithSignature(reader.Rest(), kCentralHeaderSignature))
        throw ArchiveRefused("a central directory record is damaged");
    const Decoded<CentralHeader> header = DecodeCentralHeader(reader.Take(kCentralHeaderSize));
    if (!header) throw ArchiveRefused("the central directory is cut short");
    RawEntry entry;
    entry.versionMadeBy = header->versionMadeBy;
    entry.flags = header->flags;
    entry.method = header->method;
    entry.crc = header->crc;
    entry.compressedSize = header->compressedSize;
    entry.uncompressedSize = header->uncompressedSize;
    entry.externalAttributes = header->externalAttributes;
    entry.localHeaderOffset = header->localHeaderOffset;
    const auto name = reader.Take(header->nameLength);
    entry.name.assign(name.begin(), name.end());
    const auto extra = reader.Take(header->extraLength);
    reader.Skip(header->commentLength);
    bool ok = reader.Ok();
    ApplyZip64Extra(extra, entry, ok);
    if (!ok) throw ArchiveRefused("the central directory is cut short");
    return entry;
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
    LittleEndianReader reader(bytes);
    std::vector<RawEntry> entries;
    entries.reserve(end.entryCount);
    for (std::uint64_t i = 0; i < end.entryCount; ++i) entries.push_back(DecodeRecord(reader));
    if (StartsWithSignature(reader.Rest(), kCentralHeaderSignature))
        throw ArchiveRefused("the directory holds more entries than its end record announces");
    return entries;
}

}  // namespace vorlan::engine
