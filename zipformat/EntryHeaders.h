// SPDX-License-Identifier: MIT
// The two headers of an entry: the central directory file header (APPNOTE
// 4.3.12) and the local file header in front of the entry's data (4.3.7).
// Each is decoded from its fixed bytes and judged by its signature; the
// variable parts (name, extra field, comment) follow in the stated lengths.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "zipformat/Decoded.h"

namespace vorlan {

struct CentralHeader {
    std::uint16_t versionMadeBy = 0;  // low byte: the writer's version (x10); high byte: its host system
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;  // as stored: counted from the archive's start

    std::uint8_t WriterVersion() const { return static_cast<std::uint8_t>(versionMadeBy & 0xFF); }
    std::uint8_t HostSystem() const { return static_cast<std::uint8_t>(versionMadeBy >> 8); }
    // The bytes of name, extra field and comment after the fixed part.
    std::uint32_t VariableLength() const { return std::uint32_t{nameLength} + extraLength + commentLength; }
};

struct LocalHeader {
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;

    std::uint32_t VariableLength() const { return std::uint32_t{nameLength} + extraLength; }
};

// Each decodes the header's fixed part from the front of bytes.
Decoded<CentralHeader> DecodeCentralHeader(std::span<const std::uint8_t> bytes);
Decoded<LocalHeader> DecodeLocalHeader(std::span<const std::uint8_t> bytes);

// The data of the first block with the given id in an extra field (APPNOTE
// 4.5.1); nullopt when there is none. A block whose stated length runs past
// the field ends the search: it is found with empty data when it has the id.
std::optional<std::span<const std::uint8_t>> FindExtraBlock(std::span<const std::uint8_t> extra, std::uint16_t id);

// Whether the extra field is a sequence of whole blocks, each header's
// length ending inside the field and the last block ending with it.
bool ExtraHoldsWholeBlocks(std::span<const std::uint8_t> extra);

}  // namespace vorlan
