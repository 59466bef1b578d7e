// SPDX-License-Identifier: MIT
// The local record in front of each entry's data (APPNOTE 4.3.7), read with
// its name and extra field, and whether it says what the entry's central
// record says. Readers that walk the local records (a phone's installer,
// java.util.jar.JarInputStream) and readers that use the directory
// (java.util.jar.JarFile, libzip) see different archives where the two
// disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "zipformat/Decoded.h"
#include "zipformat/DirectoryWalker.h"
#include "zipformat/EntryHeaders.h"

namespace vorlan {

// Positioned reads of an archive's bytes, for records that lie apart.
class RecordSource {
public:
    // Exactly count bytes at offset, or false (past the end, or a read error).
    virtual bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) = 0;

protected:
    ~RecordSource() = default;
};

struct LocalRecord {
    LocalHeader header;  // the fixed part, as stored
    std::string_view name;
    std::string_view extra;
    // The sizes, widened by the Zip64 extra field where a fixed field holds all ones.
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    bool sizesFound = true;  // false: marked as in a Zip64 extra field that does not hold them

    // The record's bytes: the entry's data begins right after them.
    std::size_t Size() const { return kLocalHeaderSize + header.VariableLength(); }
};

// The local record at the front of bytes, faults judged as for central records.
Decoded<LocalRecord> DecodeLocalRecord(std::span<const std::uint8_t> bytes);

// Reads local records through a source, each with two bounded reads (the
// fixed part, then the lengths it states) into one buffer reused for every
// record: a record's views stay valid until the next Read.
class LocalRecordReader {
public:
    explicit LocalRecordReader(RecordSource& source) : source_(source) {}
    // A record whose bytes cannot all be read is truncated.
    Decoded<LocalRecord> Read(std::uint64_t offset);

private:
    RecordSource& source_;
    std::vector<std::uint8_t> buffer_;
};

// The first thing a local record says otherwise than its central record.
enum class LocalDisagreement { None, Name, Method, Flags, Crc, Sizes, CompressedSize, UncompressedSize };

LocalDisagreement FindDisagreement(const LocalRecord& local, const CentralFacts& central);

// What disagrees, as messages name it: "name", "compression method", "flags",
// "CRC", "sizes", "compressed size", "size"; empty for none.
std::string_view DisagreementName(LocalDisagreement disagreement);

}  // namespace vorlan
