// SPDX-License-Identifier: MIT
// Decoding entry headers and extra fields.
#include "zipformat/EntryHeaders.h"

#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

Decoded<CentralHeader> DecodeCentralHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kCentralHeaderSize) return RecordFault::Truncated;
    LittleEndianReader reader(bytes);
    if (reader.U32() != kCentralHeaderSignature) return RecordFault::WrongSignature;
    CentralHeader header;
    header.versionMadeBy = reader.U16();
    header.versionNeeded = reader.U16();
    header.flags = reader.U16();
    header.method = reader.U16();
    header.dosTime = reader.U16();
    header.dosDate = reader.U16();
    header.crc = reader.U32();
    header.compressedSize = reader.U32();
    header.uncompressedSize = reader.U32();
    header.nameLength = reader.U16();
    header.extraLength = reader.U16();
    header.commentLength = reader.U16();
    header.diskNumberStart = reader.U16();
    header.internalAttributes = reader.U16();
    header.externalAttributes = reader.U32();
    header.localHeaderOffset = reader.U32();
    return header;
}

Decoded<LocalHeader> DecodeLocalHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kLocalHeaderSize) return RecordFault::Truncated;
    LittleEndianReader reader(bytes);
    if (reader.U32() != kLocalHeaderSignature) return RecordFault::WrongSignature;
    LocalHeader header;
    header.versionNeeded = reader.U16();
    header.flags = reader.U16();
    header.method = reader.U16();
    header.dosTime = reader.U16();
    header.dosDate = reader.U16();
    header.crc = reader.U32();
    header.compressedSize = reader.U32();
    header.uncompressedSize = reader.U32();
    header.nameLength = reader.U16();
    header.extraLength = reader.U16();
    return header;
}

std::optional<std::span<const std::uint8_t>> FindExtraBlock(std::span<const std::uint8_t> extra, std::uint16_t id) {
    LittleEndianReader blocks(extra);
    // A block cut short fails the reader, which then ends the walk instead
    // of standing still on it.
    while (blocks.Ok() && blocks.Remaining() >= 4) {
        const std::uint16_t blockId = blocks.U16();
        const auto data = blocks.Take(blocks.U16());
        if (blockId == id) return data;
    }
    return std::nullopt;
}

}  // namespace vorlan
