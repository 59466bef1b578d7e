// SPDX-License-Identifier: MIT
// Reading an archive's end-of-central-directory record and its central
// directory into a component's EndOfDirectory and entry list, following a
// spanned archive's directory over its disks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "zip/ReadOnlyFile.h"
#include "zip/ZipTypes.h"

namespace vorlan {

class TZip;
struct CentralRecord;

constexpr std::int64_t kEndRecordSearchWindow = 65535;
constexpr std::uint16_t kMaximumDiskNumber = 1000;
constexpr std::int32_t kMaximumCentralDirSize = 1024000;

// The position of the end record: at the very end of the file, else the last
// signature within the last 65,535 bytes; -1 when there is none (or the file
// is too large for the 32-bit positions of the directory). record, when
// given, receives the record's 22 fixed bytes as read.
std::int64_t FindEndRecord(const ReadOnlyFile& file, std::string* record = nullptr);

class DirectoryReader {
public:
    explicit DirectoryReader(TZip& zip);

    // ReadDirectory for a component whose ZipFileName is set and whose
    // entry list is empty.
    void Read();

private:
    std::int64_t LocateEndRecord();
    void ReadEndRecord(std::int64_t position);
    bool EnterStartDisk();
    bool ReadCentralDirectory();
    bool ReadRecordFromDisk(bool first);
    void TakeOemDecision(std::span<const std::uint8_t> firstRecord);
    void AddEntry(const CentralRecord& record);
    bool ReadHeader(std::string& header);
    bool ReadBytes(std::size_t count, std::string& bytes);
    void OpenOnDiskInDrive();
    std::string DecodedText(std::string_view stored, std::uint16_t flags) const;

    TZip& zip_;
    const std::string& path_;       // the archive's absolute path
    const std::string& shownName_;  // ZipFileName, as messages show it
    ReadOnlyFile file_;
    // Where the next record of a spanned archive's directory is read, and
    // the end of the file it must end before.
    std::int64_t position_ = 0;
    std::int64_t limit_ = 0;
    std::string endRecord_;  // the end record's fixed bytes, as the search read them
    std::string codePage_;   // the OEM code page, looked up once per directory
};

}  // namespace vorlan
