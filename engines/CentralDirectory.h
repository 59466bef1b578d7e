// SPDX-License-Identifier: MIT
// The central directory as stored (APPNOTE 4.3.12), read by the engines
// themselves: libzip hides what the safety checks need (names holding a NUL
// byte, where each entry's bytes lie).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "engines/ArchiveFile.h"
#include "engines/EndRecord.h"
#include "zipformat/FormatConstants.h"

namespace vorlan::engine {

// One central directory record, as stored.
struct RawEntry {
    std::string name;  // the stored bytes, with any NUL they hold
    std::uint16_t versionMadeBy = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t localHeaderOffset = 0;  // counted from the archive's start
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint64_t recordSize = 0;  // the central record's bytes
    // Whether libzip reads the record as it is read here (see
    // LibzipReadsAlike in the source): what libzip would refuse, or read
    // otherwise, is left to libzip itself.
    bool readAlikeByLibzip = false;

    bool HoldsNul() const { return name.find('\0') != std::string::npos; }
    // The DOS date and time taken as local time, as libzip takes them.
    std::time_t Modified() const;
    bool Encrypted() const { return (flags & kFlagEncrypted) != 0; }
    // A Unix host's symbolic link: S_IFLNK in the upper 16 bits of the attributes.
    bool IsSymbolicLink() const;
};

// Reads every record the end record announces. Raises ArchiveRefused when
// the directory is cut short, a record is malformed, or it holds more records
// than announced (readers would disagree on the entries).
std::vector<RawEntry> ReadCentralDirectory(ArchiveFile& file, const EndRecordInfo& end);

}  // namespace vorlan::engine
