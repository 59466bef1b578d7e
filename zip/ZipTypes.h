// SPDX-License-Identifier: MIT
// The component's records: one archive entry (TFileInfo), the end of the
// central directory (TEOCHInfo), the option sets, the events and the one
// exception class of the archive component.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "zipformat/FormatConstants.h"

namespace vorlan {

class TZip;

// Every error the archive component raises.
class ZipException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One central directory file header (APPNOTE 4.3.12): the 46 fixed bytes as
// stored, field for field, then the variable parts converted for use.
struct TFileInfo {
    std::uint32_t Signature = kCentralHeaderSignature;
    std::uint8_t VersionMadeBy = 0;  // zip format version (x10) of the writer
    std::uint8_t HostSystem = 0;     // 0 MS-DOS, 3 Unix, 6 OS/2 HPFS, 11 NTFS, ...
    std::uint16_t VersionNeeded = 0;
    std::uint16_t Flags = 0;
    std::uint16_t CompressionMethod = 0;
    std::uint16_t FileTime = 0;  // DOS time
    std::uint16_t FileDate = 0;  // DOS date
    std::uint32_t Crc32 = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t UncompressedSize = 0;
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    std::uint16_t FileCommentLength = 0;
    std::uint16_t DiskNumberStart = 0;
    std::uint16_t InternalAttributes = 0;
    std::uint32_t ExternalAttributes = 0;
    std::uint32_t LocalHeaderOffset = 0;  // as stored, not corrected for data in front
    bool Encrypted = false;               // bit 0 of Flags
    std::string FileName;                 // ANSI, every "/" shown as "\"
    std::string ExtraField;               // raw bytes
    std::string FileComment;              // ANSI
};

// The end-of-central-directory record (APPNOTE 4.3.16) with the archive comment.
struct TEOCHInfo {
    std::uint32_t Signature = kEndRecordSignature;
    std::uint16_t ThisDisk = 0;  // not 0: a spanned archive
    std::uint16_t CentralDirDisk = 0;
    std::uint16_t EntriesThisDisk = 0;
    std::uint16_t TotalEntries = 0;
    std::int32_t CentralDirSize = 0;  // compared as a signed number
    std::int32_t CentralDirOffset = 0;
    std::uint16_t CommentLength = 0;
    std::string Comment;                  // ANSI
    std::int32_t EndRecordPosition = -1;  // -1 while none has been found
};

// AddOptions and ExtractOptions: flags 0 to 7 in one byte, flag n = bit n.
using TOptionSet = std::uint8_t;
constexpr TOptionSet OptionFlag(int n) {
    return static_cast<TOptionSet>(1u << n);
}
constexpr bool HasFlag(TOptionSet set, int n) {
    return (set & OptionFlag(n)) != 0;
}

// Events are bound routines; an event counts as assigned when it is set.
using TNotifyEvent = std::function<void(TZip& Sender)>;
using TZEDBeginFileEvent = std::function<void(TZip& Sender, const std::string& Filename, std::int32_t FileSize,
                                              std::int32_t BatchCount, std::int32_t TotalBytesInBatch)>;
using TProgressEvent =
    std::function<void(TZip& Sender, const std::string& Filename, std::int32_t BytesDone, std::int32_t TotalBytes)>;
using TZEDEndBatchEvent = std::function<void(TZip& Sender, std::int32_t SkippedCount, std::int32_t BatchCount,
                                             std::int32_t TotalBytesInBatch)>;

}  // namespace vorlan
