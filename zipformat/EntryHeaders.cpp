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

namespace {

enum class ExtraWalkEnd { Chosen, Whole, Ragged };

// Hands the extra field's blocks to visit (id, data) in order until visit
// chooses one (returns true). A block whose stated length runs past the
// field is handed over with empty data and ends the walk as Ragged; so do
// fewer than four bytes left at the end.
template <typename Visit>
ExtraWalkEnd WalkExtraBlocks(std::span<const std::uint8_t> extra, Visit&& visit) {
    LittleEndianReader blocks(extra);
    // A block cut short fails the reader, which then ends the walk instead
    // of standing still on it.
    while (blocks.Ok() && blocks.Remaining() >= 4) {
        const std::uint16_t blockId = blocks.U16();
        const auto data = blocks.Take(blocks.U16());
        if (visit(blockId, data)) return ExtraWalkEnd::Chosen;
    }
    return blocks.Ok() && blocks.Remaining() == 0 ? ExtraWalkEnd::Whole : ExtraWalkEnd::Ragged;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindExtraBlock(std::span<const std::uint8_t> extra, std::uint16_t id) {
    std::optional<std::span<const std::uint8_t>> found;
    WalkExtraBlocks(extra, [&](std::uint16_t blockId, std::span<const std::uint8_t> data) {
        if (blockId == id) found = data;
        return found.has_value();
    });
    return found;
}

bool ExtraHoldsWholeBlocks(std::span<const std::uint8_t> extra) {
    return WalkExtraBlocks(extra, [](std::uint16_t, std::span<const std::uint8_t>) { return false; }) ==
           ExtraWalkEnd::Whole;
}

}  // namespace vorlan
