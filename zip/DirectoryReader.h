// Reading an archive's end-of-central-directory record and its central
// directory into a component's EndOfDirectory and entry list, following a
// spanned archive's directory over its disks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zip/ArchiveFile.h"
#include "zip/ZipTypes.h"

namespace vorlan {

class TZip;

constexpr std::size_t kEndRecordSize = 22;      // APPNOTE 4.3.16, without the comment
constexpr std::size_t kCentralHeaderSize = 46;  // APPNOTE 4.3.12, without the variable parts
constexpr std::int64_t kEndRecordSearchWindow = 65535;
constexpr std::uint16_t kMaximumDiskNumber = 1000;
constexpr std::int32_t kMaximumCentralDirSize = 1024000;
constexpr std::uint16_t kUtf8NamesFlag = 1u << 11;  // general purpose bit 11

// The position of the end record: at the very end of the file, else the last
// signature within the last 65,535 bytes; -1 when there is none (or the file
// is too large for the 32-bit positions of the directory). record, when
// given, receives the record's 22 fixed bytes as read.
std::int64_t FindEndRecord(const ArchiveFile& file, std::string* record = nullptr);

// The 22 fixed bytes of an end record into end's fixed fields.
void DecodeEndRecord(std::string_view bytes, TEOCHInfo& end);

// The 46 fixed bytes of a central directory header into info's fixed fields;
// false when the signature is wrong.
bool DecodeCentralHeader(std::string_view bytes, TFileInfo& info);

// Whether a directory's names are in the OEM code page, judged from its first
// header: written on MS-DOS or OS/2 HPFS, or on NTFS by a version 5.0 writer.
bool HasOemNames(const TFileInfo& first);

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
    bool ReadRecord(bool first);
    bool ReadHeader(std::string& header);
    bool ReadBytes(std::size_t count, std::string& bytes);
    void OpenOnDiskInDrive();
    // A name or comment read as stored, turned into the component's text.
    void ConvertInPlace(std::string& text, std::uint16_t flags) const;

    TZip& zip_;
    const std::string& path_;       // the archive's absolute path
    const std::string& shownName_;  // ZipFileName, as messages show it
    ArchiveFile file_;
    std::int64_t position_ = 0;
    // Records must end before this position: the end record on a single-disk
    // archive, the end of the file on a disk of a spanned one.
    std::int64_t limit_ = 0;
    // A single-disk directory read ahead in one piece, and where it starts.
    std::string buffered_;
    std::int64_t bufferStart_ = 0;
    std::string endRecord_;  // the end record's fixed bytes, as the search read them
    std::string header_;     // the fixed part of the record being read
};

}  // namespace vorlan
