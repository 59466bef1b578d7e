// SPDX-License-Identifier: MIT
// The records at an archive's end: the end-of-central-directory record
// (APPNOTE 4.3.16), and for Zip64 archives the Zip64 end record (4.3.14)
// with the locator that points at it (4.3.15). Each is decoded from its
// fixed bytes and judged by its signature; where to look for them is each
// reader's own rule.
#pragma once

#include <cstdint>
#include <span>

#include "zipformat/Decoded.h"

namespace vorlan {

struct EndRecord {
    std::uint16_t thisDisk = 0;  // not 0: a spanned archive
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesThisDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    std::uint16_t commentLength = 0;

    // Whether a field holds the all-ones value that defers to a Zip64 end record.
    bool DefersToZip64() const;
};

struct Zip64Locator {
    std::uint32_t endRecordDisk = 0;
    std::uint64_t endRecordOffset = 0;  // as stored: counted from the archive's start
    std::uint32_t totalDisks = 0;
};

struct Zip64EndRecord {
    std::uint64_t recordSize = 0;  // the size of the rest of the record
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint32_t thisDisk = 0;
    std::uint32_t directoryDisk = 0;
    std::uint64_t entriesThisDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
};

// Each decodes the record's fixed part from the front of bytes.
Decoded<EndRecord> DecodeEndRecord(std::span<const std::uint8_t> bytes);
Decoded<Zip64Locator> DecodeZip64Locator(std::span<const std::uint8_t> bytes);
Decoded<Zip64EndRecord> DecodeZip64EndRecord(std::span<const std::uint8_t> bytes);

}  // namespace vorlan
