// The central directory walk: one header after another, each with its name,
// extra field and comment, every read kept inside the directory's bounds.
#include "zip/CodePages.h"
#include "zip/DirectoryReader.h"

#include <algorithm>

#include "zip/SpannedDisks.h"
#include "zip/TZip.h"
#include "zipformat/EntryHeaders.h"
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
    } else {
        // The stored offset is not used on a single disk, so that an archive
        // with data in front of it (a stub or script) is listed all the same.
        position_ = std::int64_t{end.EndRecordPosition} - end.CentralDirSize;
        limit_ = end.EndRecordPosition;
        // The whole directory in one read: at most the 1,024,000 bytes the
        // sanity limit allows, where a read per name costs a call each.
        if (position_ >= 0 && position_ <= limit_) {
            buffered_ = file_.ReadAt(position_, static_cast<std::size_t>(limit_ - position_));
            bufferStart_ = position_;
        }
    }
    // Further records in the file beyond TotalEntries are ignored.
    for (std::uint32_t index = 0; index < end.TotalEntries; ++index) {
        if (!ReadRecord(index == 0)) return false;
    }
    return true;
}

// The record joins the entry list as soon as its header is read; when a later
// part fails the caller empties the list. The parts are read straight into
// the entry (a directory has thousands of records, read for every JAR).
bool DirectoryReader::ReadRecord(bool first) {
    std::string header;
    if (!ReadHeader(header)) return false;
    const Decoded<CentralHeader> decoded = DecodeCentralHeader(AsBytes(header));
    if (!decoded) return false;
    if (first) zip_.OemNames = HasOemNames(decoded->versionMadeBy);
    zip_.entries_.push_back(EntryOf(*decoded));
    TFileInfo& entry = zip_.entries_.back();

    std::string name, extra, comment;
    if (!ReadBytes(entry.FileNameLength, name)) return false;
    entry.FileName = SlashesToBackslashes(DecodedText(name, entry.Flags));
    if (!ReadBytes(entry.ExtraFieldLength, extra)) return false;
    entry.ExtraField = std::move(extra);
    if (!ReadBytes(entry.FileCommentLength, comment)) return false;
    entry.FileComment = DecodedText(comment, entry.Flags);
    return true;
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
    const std::int64_t offset = position_ - bufferStart_;
    if (offset >= 0 && static_cast<std::int64_t>(buffered_.size()) - offset >= size) {
        bytes.assign(buffered_, static_cast<std::size_t>(offset), count);
    } else {
        bytes = file_.ReadAt(position_, count);
    }
    if (bytes.size() < count) return false;
    position_ += size;
    return true;
}

// Names flagged as UTF-8 are never converted, whatever the first header said.
std::string DirectoryReader::DecodedText(const std::string& stored, std::uint16_t flags) const {
    return DecodeEntryText(stored, zip_.OemNames, flags, OemCodePage());
}

}  // namespace vorlan
