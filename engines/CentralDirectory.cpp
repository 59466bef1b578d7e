// Decoding the central directory record by record.
#include "engines/CentralDirectory.h"

#include "engines/ByteReader.h"
#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr unsigned kUnixHost = 3;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kSymbolicLinkType = 0120000;

// Sizes and offset that do not fit 32 bits are in the Zip64 extra field, in
// this order, present only where the fixed field holds all ones (APPNOTE 4.5.3).
// A field whose stated length runs past the extra data ends the walk: the
// reader has failed and would otherwise stand still on it for ever.
void ApplyZip64Extra(std::span<const std::uint8_t> extra, RawEntry& entry, bool& ok) {
    ByteReader fields(extra);
    while (fields.ok() && fields.remaining() >= 4) {
        const std::uint16_t id = fields.u16();
        const auto data = fields.take(fields.u16());
        if (id != kZip64ExtraId) continue;
        ByteReader values(data);
        if (entry.uncompressedSize == 0xFFFFFFFF) entry.uncompressedSize = values.u64();
        if (entry.compressedSize == 0xFFFFFFFF) entry.compressedSize = values.u64();
        if (entry.localHeaderOffset == 0xFFFFFFFF) entry.localHeaderOffset = values.u64();
        ok = ok && values.ok();
        return;
    }
}

RawEntry DecodeRecord(ByteReader& reader) {
    RawEntry entry;
    if (reader.u32() != kCentralHeaderSignature) throw ArchiveRefused("a central directory record is damaged");
    entry.versionMadeBy = reader.u16();
    reader.skip(2);  // version needed
    entry.flags = reader.u16();
    entry.method = reader.u16();
    reader.skip(4);  // DOS time and date: libzip gives them converted
    entry.crc = reader.u32();
    entry.compressedSize = reader.u32();
    entry.uncompressedSize = reader.u32();
    const std::uint16_t nameLength = reader.u16();
    const std::uint16_t extraLength = reader.u16();
    const std::uint16_t commentLength = reader.u16();
    reader.skip(4);  // disk number, internal attributes
    entry.externalAttributes = reader.u32();
    entry.localHeaderOffset = reader.u32();
    const auto name = reader.take(nameLength);
    entry.name.assign(name.begin(), name.end());
    const auto extra = reader.take(extraLength);
    reader.skip(commentLength);
    bool ok = reader.ok();
    ApplyZip64Extra(extra, entry, ok);
    if (!ok) throw ArchiveRefused("the central directory is cut short");
    return entry;
}

}  // namespace

bool RawEntry::isSymbolicLink() const {
    return (versionMadeBy >> 8) == kUnixHost && ((externalAttributes >> 16) & kFileTypeMask) == kSymbolicLinkType;
}

std::vector<RawEntry> ReadCentralDirectory(ArchiveFile& file, const EndRecordInfo& end) {
    if (end.entryCount > end.directorySize / kCentralHeaderSize)
        throw ArchiveRefused("the end record announces more entries than its directory can hold");
    std::vector<std::uint8_t> bytes(end.directorySize);
    if (!file.readAt(end.directoryPosition, bytes.data(), bytes.size()))
        throw ArchiveRefused("the central directory cannot be read");
    ByteReader reader(bytes);
    std::vector<RawEntry> entries;
    entries.reserve(end.entryCount);
    for (std::uint64_t i = 0; i < end.entryCount; ++i) entries.push_back(DecodeRecord(reader));
    if (reader.remaining() >= 4 && reader.u32() == kCentralHeaderSignature)
        throw ArchiveRefused("the directory holds more entries than its end record announces");
    return entries;
}

}  // namespace vorlan::engine
