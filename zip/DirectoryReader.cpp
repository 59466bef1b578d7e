// The directory reader: end record search, end record, central directory.
#include "zip/DirectoryReader.h"

#include <limits>

#include "platform/Application.h"
#include "zip/LittleEndianReader.h"
#include "zip/SpannedDisks.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

bool StartsWithEndSignature(std::string_view bytes) {
    LittleEndianReader reader(bytes);
    return reader.U32() == kEndRecordSignature && reader.Ok();
}

std::string LastDiskPrompt(int disk) {
    return "This is [ Disk " + std::to_string(disk) +
           " ] of a multiple disk Zip file.\nInsert the last disk of the Zip file before pressing [ OK ] "
           "to continue ...";
}

constexpr std::uint8_t kHostMsDos = 0;
constexpr std::uint8_t kHostOs2Hpfs = 6;
constexpr std::uint8_t kHostNtfs = 11;
constexpr std::uint8_t kNtfsOemWriterVersion = 50;

}  // namespace

std::int64_t FindEndRecord(const ArchiveFile& file, std::string* record) {
    const std::int64_t size = file.Size();
    const auto recordSize = static_cast<std::int64_t>(kEndRecordSize);
    if (size < recordSize || size > std::numeric_limits<std::int32_t>::max()) return -1;
    const std::string last = file.ReadAt(size - recordSize, kEndRecordSize);
    if (last.size() < kEndRecordSize) return -1;
    if (StartsWithEndSignature(last)) {
        if (record != nullptr) *record = last;
        return size - recordSize;
    }

    // The window is 65,535 bytes, not the 65,557 an end record with the
    // longest comment would need: an end record further back is not found.
    const std::int64_t window = std::min(size, kEndRecordSearchWindow);
    const std::string bytes = file.ReadAt(size - window, static_cast<std::size_t>(window));
    if (static_cast<std::int64_t>(bytes.size()) < window) return -1;
    // Backwards from the last offset where a whole record fits: the last
    // occurrence of the signature wins, without further checks.
    for (std::int64_t offset = window - recordSize; offset >= 0; --offset) {
        if (StartsWithEndSignature(std::string_view(bytes).substr(static_cast<std::size_t>(offset)))) {
            if (record != nullptr) *record = bytes.substr(static_cast<std::size_t>(offset), kEndRecordSize);
            return size - window + offset;
        }
    }
    return -1;
}

void DecodeEndRecord(std::string_view bytes, TEOCHInfo& end) {
    LittleEndianReader reader(bytes);
    end.Signature = reader.U32();
    end.ThisDisk = reader.U16();
    end.CentralDirDisk = reader.U16();
    end.EntriesThisDisk = reader.U16();
    end.TotalEntries = reader.U16();
    end.CentralDirSize = reader.I32();
    end.CentralDirOffset = reader.I32();
    end.CommentLength = reader.U16();
}

bool DecodeCentralHeader(std::string_view bytes, TFileInfo& info) {
    LittleEndianReader reader(bytes);
    info.Signature = reader.U32();
    info.VersionMadeBy = reader.U8();
    info.HostSystem = reader.U8();
    info.VersionNeeded = reader.U16();
    info.Flags = reader.U16();
    info.CompressionMethod = reader.U16();
    info.FileTime = reader.U16();
    info.FileDate = reader.U16();
    info.Crc32 = reader.U32();
    info.CompressedSize = reader.U32();
    info.UncompressedSize = reader.U32();
    info.FileNameLength = reader.U16();
    info.ExtraFieldLength = reader.U16();
    info.FileCommentLength = reader.U16();
    info.DiskNumberStart = reader.U16();
    info.InternalAttributes = reader.U16();
    info.ExternalAttributes = reader.U32();
    info.LocalHeaderOffset = reader.U32();
    info.Encrypted = (info.Flags & 1u) != 0;
    return reader.Ok() && info.Signature == kCentralHeaderSignature;
}

bool HasOemNames(const TFileInfo& first) {
    return first.HostSystem == kHostMsDos || first.HostSystem == kHostOs2Hpfs ||
           (first.HostSystem == kHostNtfs && first.VersionMadeBy == kNtfsOemWriterVersion);
}

DirectoryReader::DirectoryReader(TZip& zip) : zip_(zip), path_(zip.archivePath_), shownName_(zip.zipFileName_) {}

void DirectoryReader::Read() {
    file_ = ArchiveFile::OpenForReading(path_, shownName_);
    const std::int64_t endRecord = LocateEndRecord();
    if (endRecord < 0) return;
    ReadEndRecord(endRecord);
    if (zip_.EndOfDirectory.TotalEntries == 0) return;  // whatever the directory size says
    if (!EnterStartDisk()) return;
    if (!ReadCentralDirectory()) {
        zip_.entries_.clear();
        throw ZipException("Error reading 'CentralFileHeader'!");
    }
}

// With no end record in the file, a disk of a spanned archive other than the
// last may be in the drive: ask for the last one. -1 when the user gives up.
std::int64_t DirectoryReader::LocateEndRecord() {
    for (int prompt = 0;; ++prompt) {
        const std::int64_t position = FindEndRecord(file_, &endRecord_);
        if (position >= 0) return position;
        file_.Close();
        const int disk = GetSpanDiskNumber(zip_.Volumes(), path_);
        if (disk == 0) throw ZipException(NotAValidZipFile(shownName_));
        if (prompt == kMaximumDiskPrompts) return -1;
        const int answer = App().MessageBox(LastDiskPrompt(disk), App().Title(), MB_OKCANCEL | MB_ICONINFORMATION);
        if (answer != IDOK) return -1;
        file_ = ArchiveFile::OpenForReading(path_, shownName_);
    }
}

void DirectoryReader::ReadEndRecord(std::int64_t position) {
    TEOCHInfo& end = zip_.EndOfDirectory;
    end.EndRecordPosition = static_cast<std::int32_t>(position);
    // The search has just read the record: no second read of the same bytes.
    DecodeEndRecord(endRecord_.size() == kEndRecordSize ? endRecord_ : file_.ReadAt(position, kEndRecordSize), end);
    if (end.ThisDisk > kMaximumDiskNumber || end.CentralDirDisk > kMaximumDiskNumber ||
        end.CentralDirSize > kMaximumCentralDirSize) {
        throw ZipException(NotAValidZipFile(shownName_));
    }
    std::string comment = file_.ReadAt(position + static_cast<std::int64_t>(kEndRecordSize), end.CommentLength);
    if (comment.size() < end.CommentLength) comment.clear();
    // OemNames still holds its earlier value here: the first header decides
    // it for this archive only afterwards.
    end.Comment = OemToAnsiName(zip_, comment);
}

// The end record counts disks from 0 and disk labels count from 1, so the
// directory's first disk is the one labelled CentralDirDisk + 1. It is asked
// for and the archive opened afresh on it before the directory is read.
bool DirectoryReader::EnterStartDisk() {
    const TEOCHInfo& end = zip_.EndOfDirectory;
    if (end.CentralDirDisk == end.ThisDisk) return true;
    file_.Close();
    if (!PromptForDisk(zip_.Volumes(), path_, end.CentralDirDisk + 1)) return false;
    OpenOnDiskInDrive();
    return true;
}

void DirectoryReader::OpenOnDiskInDrive() {
    file_ = ArchiveFile::OpenForReading(path_, shownName_);
    limit_ = file_.Size();
}

}  // namespace vorlan
