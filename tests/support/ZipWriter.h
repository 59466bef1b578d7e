// A small zip writer for tests: every field of every record is the test's to
// choose, so an archive with one defect says in code what is wrong with it.
// Entry data is taken as given (already deflated when the method says so).
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
    std::optional<std::uint32_t> crc;                // default: CRC of content
    std::optional<std::uint32_t> uncompressedSize;   // default: size of content
    std::optional<std::uint32_t> localHeaderOffset;  // default: where the writer put it
    bool writeLocalRecord = true;                    // false: the central record points at another's data
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
    std::optional<std::uint16_t> statedEntryCount;  // default: the number of entries

    std::string bytes() const;
};

}  // namespace vorlan::test
