// SPDX-License-Identifier: MIT
// The central directory walked record by record: each central record
// (APPNOTE 4.3.12) whole, with its name, extra field and comment, knowing its
// own size, and its sizes and offset taken from the Zip64 extra field
// (APPNOTE 4.5.3) where the fixed part defers to it. The walker reads only
// the bytes it is given and allocates nothing: a record's variable parts are
// views into those bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "zipformat/Decoded.h"
#include "zipformat/EntryHeaders.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

// What a local header must repeat of its central record (see LocalRecords.h).
struct CentralFacts {
    std::string_view name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
};

struct CentralRecord {
    CentralHeader header;  // the fixed part, as stored
    std::string_view name;
    std::string_view extra;
    std::string_view comment;
    // The fixed part's values, or the Zip64 extra field's where the fixed
    // field holds all ones. Without a Zip64 block the all-ones value stays.
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;  // counted from the archive's start
    // A Zip64 block is there but ends before a value the fixed part defers to it.
    bool zip64CutShort = false;

    std::size_t Size() const { return kCentralHeaderSize + header.VariableLength(); }
    CentralFacts Facts() const;
};

// The central record at the front of bytes. Bytes that do not begin with the
// record's signature, however few, are wrongSignature; a record whose fixed
// part or stated name, extra field and comment run past the bytes is truncated.
Decoded<CentralRecord> DecodeCentralRecord(std::span<const std::uint8_t> bytes);

class CentralDirectoryWalker {
public:
    explicit CentralDirectoryWalker(std::span<const std::uint8_t> directory) : rest_(directory) {}

    // The record at the walker's position; the walker moves past it when it
    // decodes and stays where it is when it does not.
    Decoded<CentralRecord> Next();
    // The bytes after the records walked so far.
    std::span<const std::uint8_t> Rest() const { return rest_; }
    // Whether those bytes begin with another central record's signature.
    bool AnotherRecordFollows() const;

private:
    std::span<const std::uint8_t> rest_;
};

}  // namespace vorlan
