// SPDX-License-Identifier: MIT
// The central directory walk: one record after another, each with its name,
// extra field and comment, every read kept inside the directory's bounds.
#include "zip/DirectoryReader.h"

#include <algorithm>

#include "zip/SpannedDisks.h"
#include "zip/TZip.h"
#include "zipformat/DirectoryWalker.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"
#include "zipformat/NameDecoding.h"

namespace vorlan {

namespace {

// The header's fixed fields as the component keeps them, field for field.
TFileInfo EntryOf(const CentralHeader& header) {
    TFileInfo info;
    info.Signature = kCentralHeaderSignature;
    info.VersionMadeBy = header.WriterVersion();
    info.HostSystem = header.HostSystem();
    info.VersionNeeded = header.versionNeeded;
    info.Flags = header.flags;
    info.CompressionMethod = header.method;
    info.FileTime = header.dosTime;
    info.FileDate = header.dosDate;
    info.Crc32 = header.crc;
    info.CompressedSize = header.compressedSize;
    info.UncompressedSize = header.uncompressedSize;
    info.FileNameLength = header.nameLength;
    info.ExtraFieldLength = header.extraLength;
    info.FileCommentLength = header.commentLength;
    info.DiskNumberStart = header.diskNumberStart;
    info.InternalAttributes = header.internalAttributes;
    info.ExternalAttributes = header.externalAttributes;
    info.LocalHeaderOffset = header.localHeaderOffset;
    info.Encrypted = (header.flags & kFlagEncrypted) != 0;
    return info;
}

}  // namespace

bool DirectoryReader::ReadCentralDirectory() {
    const TEOCHInfo& end = zip_.EndOfDirectory;
    if (end.ThisDisk > 0) {
        position_ = end.CentralDirOffset;
        limit_ = file_.Size();
        // Further records in the file beyond TotalEntries are ignored.
        for (std::uint32_t index = 0; index < end.TotalEntries; ++index)
            if (!ReadRecordFromDisk(index == 0)) return false;
        return true;
    }
    // The stored offset is not used on a single disk, so that an archive with
    // data in front of it (a stub or script) is listed all the same. The
    // whole directory comes in one read: at most the 1,024,000 bytes the
    // sanity limit allows, where a read per record costs a call each.
    const std::int64_t start = std::int64_t{end.EndRecordPosition} - end.CentralDirSize;
    std::string directory;
    if (start >= 0 && start <= end.EndRecordPosition)
        directory = file_.ReadAt(start, static_cast<std::size_t>(end.EndRecordPosition - start));
    CentralDirectoryWalker walker(AsBytes(directory));
    // Room for the records the directory can hold (46 bytes each at least),
    // whatever count the end record claims.
    zip_.entries_.reserve(std::min<std::size_t>(end.TotalEntries, directory.size() / kCentralHeaderSize));
    for (std::uint32_t index = 0; index < end.TotalEntries; ++index) {
        if (index == 0) TakeOemDecision(walker.Rest());
        const Decoded<CentralRecord> record = walker.Next();
        if (!record) return false;
        AddEntry(*record);
    }
    return true;
}

// On a spanned archive a record is read from the file in the drive: its
// fixed part, then the name, extra field and comment it states, all on the
// same disk.
bool DirectoryReader::ReadRecordFromDisk(bool first) {
    std::string bytes;
    if (!ReadHeader(bytes)) return false;
    if (first) TakeOemDecision(AsBytes(bytes));
    const Decoded<CentralHeader> header = DecodeCentralHeader(AsBytes(bytes));
    std::string variable;
    if (!header || !ReadBytes(header->VariableLength(), variable)) return false;
    bytes += variable;
    const Decoded<CentralRecord> record = DecodeCentralRecord(AsBytes(bytes));
    if (!record) return false;
    AddEntry(*record);
    return true;
}

// The first header decides for the whole archive, as soon as it is read:
// also when its name or a later record cannot be read.
void DirectoryReader::TakeOemDecision(std::span<const std::uint8_t> firstRecord) {
    const Decoded<CentralHeader> header = DecodeCentralHeader(firstRecord);
    if (header) zip_.OemNames = HasOemNames(header->versionMadeBy);
}

void DirectoryReader::AddEntry(const CentralRecord& record) {
    TFileInfo entry = EntryOf(record.header);
    entry.FileName = SlashesToBackslashes(DecodedText(record.name, entry.Flags));
    entry.ExtraField = record.extra;
    entry.FileComment = DecodedText(record.comment, entry.Flags);
    zip_.entries_.push_back(std::move(entry));
}

// On a spanned archive a header that does not fit on this disk starts on the
// next one: ask for it and go on at the start of its file. A header split
// over two disks is not supported, and the last disk has no successor.
bool DirectoryReader::ReadHeader(std::string& header) {
    // ThisDisk counts from 0 and labels from 1: a label above it is the last disk.
    const int thisDisk = zip_.EndOfDirectory.ThisDisk;
    for (;;) {
        if (ReadBytes(kCentralHeaderSize, header)) return true;
        if (thisDisk == 0) return false;
        const int disk = GetSpanDiskNumber(zip_.Volumes(), path_);
        if (disk == 0 || disk > thisDisk) return false;
        file_.Close();
        if (!PromptForDisk(zip_.Volumes(), path_, disk + 1)) return false;
        OpenOnDiskInDrive();
        position_ = 0;
    }
}

// Reads exactly count bytes at the current position; false, and nothing
// consumed, when they would cross the limit or the file gives fewer.
bool DirectoryReader::ReadBytes(std::size_t count, std::string& bytes) {
    const auto size = static_cast<std::int64_t>(count);
    if (position_ < 0 || position_ > limit_ || limit_ - position_ < size) return false;
    bytes = file_.ReadAt(position_, count);
    if (bytes.size() < count) return false;
    position_ += size;
    return true;
}

// Names flagged as UTF-8 are never converted, whatever the first header said.
std::string DirectoryReader::DecodedText(std::string_view stored, std::uint16_t flags) const {
    return DecodeEntryText(stored, zip_.OemNames, flags, codePage_);
}

}  // namespace vorlan
