// SPDX-License-Identifier: MIT
// Reading local records and comparing them with their central records.
#include "zipformat/LocalRecords.h"

#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

namespace {

// The flags that change how an entry is read or named: encryption (bits 0
// and 6), sizes and CRC after the data (3), patched data (5), UTF-8 name
// (11), masked local header (13). The others (deflate options, reserved)
// say nothing a reader acts on.
constexpr std::uint16_t kFlagsThatMatter = kFlagEncrypted | kFlagDataDescriptor | kFlagPatchedData |
                                           kFlagStrongEncryption | kFlagUtf8Name | kFlagMaskedLocalHeader;

// The Zip64 extra of a local header should hold both sizes, uncompressed
// first (APPNOTE 4.5.3); some writers give only the one marked by all ones
// in its fixed field, as the central record does.
bool WidenFromZip64(LocalRecord& record) {
    const auto data = FindExtraBlock(AsBytes(record.extra), kZip64ExtraId);
    if (!data) return false;
    LittleEndianReader values(*data);
    const bool both = data->size() >= 16;
    if (both || record.uncompressedSize == kInZip64Extra) record.uncompressedSize = values.U64();
    if (both || record.compressedSize == kInZip64Extra) record.compressedSize = values.U64();
    return values.Ok();
}

// With sizes and CRC after the data, the local header may hold zeros instead.
bool SameValue(std::uint64_t local, std::uint64_t central, bool dataDescriptor) {
    return local == central || (dataDescriptor && local == 0);
}

}  // namespace

Decoded<LocalRecord> DecodeLocalRecord(std::span<const std::uint8_t> bytes) {
    if (!StartsWithSignature(bytes, kLocalHeaderSignature)) return RecordFault::WrongSignature;
    const Decoded<LocalHeader> header = DecodeLocalHeader(bytes);
    if (!header) return header.Fault();
    LittleEndianReader reader(bytes.subspan(kLocalHeaderSize));
    LocalRecord record;
    record.header = *header;
    record.name = AsText(reader.Take(header->nameLength));
    record.extra = AsText(reader.Take(header->extraLength));
    if (!reader.Ok()) return RecordFault::Truncated;
    record.compressedSize = header->compressedSize;
    record.uncompressedSize = header->uncompressedSize;
    if (record.compressedSize == kInZip64Extra || record.uncompressedSize == kInZip64Extra)
        record.sizesFound = WidenFromZip64(record);
    return record;
}

Decoded<LocalRecord> LocalRecordReader::Read(std::uint64_t offset) {
    buffer_.resize(kLocalHeaderSize);
    if (!source_.ReadAt(offset, buffer_.data(), buffer_.size())) return RecordFault::Truncated;
    const Decoded<LocalHeader> fixed = DecodeLocalHeader(buffer_);
    if (!fixed) return fixed.Fault();
    buffer_.resize(kLocalHeaderSize + fixed->VariableLength());
    if (!source_.ReadAt(offset + kLocalHeaderSize, buffer_.data() + kLocalHeaderSize, fixed->VariableLength()))
        return RecordFault::Truncated;
    return DecodeLocalRecord(buffer_);
}

LocalDisagreement FindDisagreement(const LocalRecord& local, const CentralFacts& central) {
    if (local.name != central.name) return LocalDisagreement::Name;
    if (local.header.method != central.method) return LocalDisagreement::Method;
    if ((local.header.flags & kFlagsThatMatter) != (central.flags & kFlagsThatMatter)) return LocalDisagreement::Flags;
    const bool descriptor = (central.flags & kFlagDataDescriptor) != 0;
    if (!SameValue(local.header.crc, central.crc, descriptor)) return LocalDisagreement::Crc;
    if (!local.sizesFound) return LocalDisagreement::Sizes;
    if (!SameValue(local.compressedSize, central.compressedSize, descriptor)) return LocalDisagreement::CompressedSize;
    if (!SameValue(local.uncompressedSize, central.uncompressedSize, descriptor))
        return LocalDisagreement::UncompressedSize;
    return LocalDisagreement::None;
}

std::string_view DisagreementName(LocalDisagreement disagreement) {
    switch (disagreement) {
        case LocalDisagreement::None:
            return "";
        case LocalDisagreement::Name:
            return "name";
        case LocalDisagreement::Method:
            return "compression method";
        case LocalDisagreement::Flags:
            return "flags";
        case LocalDisagreement::Crc:
            return "CRC";
        case LocalDisagreement::Sizes:
            return "sizes";
        case LocalDisagreement::CompressedSize:
            return "compressed size";
        case LocalDisagreement::UncompressedSize:
            return "size";
    }
    return "";
}

}  // namespace vorlan
