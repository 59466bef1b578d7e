// SPDX-License-Identifier: MIT
// The directory reader: end record search, end record, central directory.
#include "zip/DirectoryReader.h"

#include <limits>

#include "platform/Application.h"
#include "zip/CodePages.h"
#include "zip/SpannedDisks.h"
#include "zip/TZip.h"
#include "zipformat/EndRecords.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

namespace {

bool StartsWithEndSignature(std::string_view bytes) {
    return StartsWithSignature(AsBytes(bytes), kEndRecordSignature);
}

std::string LastDiskPrompt(int disk) {
    return "This is [ Disk " + std::to_string(disk) +
           " ] of a multiple disk Zip file.\nInsert the last disk of the Zip file before pressing [ OK ] "
           "to continue ...";
}

// The end record's fixed fields as the component keeps them; the sizes are
// compared as signed numbers.
void CopyEndRecord(const EndRecord& record, TEOCHInfo& end) {
    end.Signature = kEndRecordSignature;
    end.ThisDisk = record.thisDisk;
    end.CentralDirDisk = record.directoryDisk;
    end.EntriesThisDisk = record.entriesThisDisk;
    end.TotalEntries = record.totalEntries;
    end.CentralDirSize = static_cast<std::int32_t>(record.directorySize);
    end.CentralDirOffset = static_cast<std::int32_t>(record.directoryOffset);
    end.CommentLength = record.commentLength;
}

}  // namespace

std::int64_t FindEndRecord(const ReadOnlyFile& file, std::string* record) {
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

DirectoryReader::DirectoryReader(TZip& zip)
    : zip_(zip), path_(zip.archivePath_), shownName_(zip.zipFileName_), codePage_(OemCodePage()) {}

void DirectoryReader::Read() {
    file_ = ReadOnlyFile::OpenForReading(path_, shownName_);
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
        file_ = ReadOnlyFile::OpenForReading(path_, shownName_);
    }
}

void DirectoryReader::ReadEndRecord(std::int64_t position) {
    TEOCHInfo& end = zip_.EndOfDirectory;
    end.EndRecordPosition = static_cast<std::int32_t>(position);
    // The search has just read the record: no second read of the same bytes.
    // Read again, a file cut short since then leaves none to read.
    const std::string bytes = endRecord_.size() == kEndRecordSize ? endRecord_ : file_.ReadAt(position, kEndRecordSize);
    const Decoded<EndRecord> record = DecodeEndRecord(AsBytes(bytes));
    if (!record) throw ZipException(NotAValidZipFile(shownName_));
    CopyEndRecord(*record, end);
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
    file_ = ReadOnlyFile::OpenForReading(path_, shownName_);
    limit_ = file_.Size();
}

}  // namespace vorlan
