// SPDX-License-Identifier: MIT
// The tests' zip writer: every field of every record is the test's to
// choose, so an archive with one defect says in code what is wrong with it.
// Entry data is taken as given (already deflated when the method says so).
// Byte-level edits of written archives are in ZipEdits.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlan::test {

std::uint32_t Crc32(const std::string& bytes);

struct ZipEntry {
    std::string name;     // the stored bytes, a NUL included if wanted
    std::string content;  // what the entry holds: the CRC and size default to it
    std::string data;     // what is stored; empty: the content itself (method 0)
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint16_t versionMadeBy = 20;  // the host in the high byte: 3 is Unix
    std::uint32_t externalAttributes = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = (1 << 5) | 1;  // 1980-01-01
    std::string centralExtra;
    std::string localExtra;
    std::string comment;                             // the entry's comment in its central record
    std::optional<std::uint32_t> crc;                // default: CRC of content
    std::optional<std::uint32_t> uncompressedSize;   // default: size of content
    std::optional<std::uint32_t> localHeaderOffset;  // default: where the writer put it
    bool writeLocalRecord = true;                    // false: the central record points at another's data
    // Values written in the central record instead of the true ones.
    std::optional<std::uint32_t> centralSignature;  // instead of 0x02014B50
    std::optional<std::uint16_t> nameLengthField;
    std::optional<std::uint16_t> extraLengthField;
    std::optional<std::uint16_t> commentLengthField;
};

// The fields of an end record (APPNOTE 4.3.16). In an archive an unset field
// is the true value; an end record written on its own has 0 there.
struct EndRecordFields {
    std::optional<std::uint16_t> thisDisk = std::nullopt;
    std::optional<std::uint16_t> centralDirDisk = std::nullopt;
    std::optional<std::uint16_t> entriesThisDisk = std::nullopt;
    std::optional<std::uint16_t> totalEntries = std::nullopt;
    std::optional<std::uint32_t> centralDirSize = std::nullopt;
    std::optional<std::uint32_t> centralDirOffset = std::nullopt;
    std::optional<std::uint16_t> commentLength = std::nullopt;
};

// A 22-byte end record on its own.
std::string EndRecordBytes(const EndRecordFields& fields);

// Where the parts of a written archive lie in its bytes (data in front included).
struct ZipLayout {
    std::vector<std::size_t> localHeaderOffsets;
    std::size_t centralDirOffset = 0;
    std::size_t centralDirSize = 0;
    std::vector<std::size_t> centralHeaderOffsets;
    std::size_t endRecordOffset = 0;
};

ZipEntry StoredEntry(const std::string& name, const std::string& content);
// A Unix symbolic link entry whose content is the link's target.
ZipEntry LinkEntry(const std::string& name, const std::string& target);

struct ZipArchive {
    ZipArchive() = default;
    ZipArchive(std::string prefixBytes, std::vector<ZipEntry> archiveEntries)
        : prefix(std::move(prefixBytes)), entries(std::move(archiveEntries)) {}

    std::string prefix;  // bytes in front of the archive (a stub)
    std::vector<ZipEntry> entries;
    std::string comment;
    std::optional<std::uint16_t> statedEntryCount;  // both counts; default: the number of entries
    EndRecordFields endRecord;                      // fields stated instead of the true ones

    std::string bytes(ZipLayout* layout = nullptr) const;
};

}  // namespace vorlan::test
