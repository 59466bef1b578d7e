// SPDX-License-Identifier: MIT
// Finding the end-of-central-directory record and the directory it points at.
#include "engines/EndRecord.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "engines/EngineErrors.h"
#include "zipformat/EndRecords.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan::engine {

namespace {

// The stored end record's values, widened for those of a Zip64 end record.
struct StoredEndRecord {
    std::uint32_t disk = 0, directoryDisk = 0;
    std::uint64_t entryCount = 0, directorySize = 0, directoryOffset = 0;
    std::uint16_t commentLength = 0;
    bool needsZip64 = false;
};

StoredEndRecord Widened(const EndRecord& record) {
    return StoredEndRecord{record.thisDisk,        record.directoryDisk, record.totalEntries,   record.directorySize,
                           record.directoryOffset, record.commentLength, record.DefersToZip64()};
}

bool HasSignatureAt(ArchiveFile& file, std::uint64_t position, std::uint32_t signature) {
    std::array<std::uint8_t, 4> bytes{};
    return file.ReadAt(position, bytes.data(), bytes.size()) && StartsWithSignature(bytes, signature);
}

// The Zip64 end record sits right before its locator, or where the locator
// says when there is no data in front of the archive.
std::optional<std::uint64_t> FindZip64EndRecord(ArchiveFile& file, std::uint64_t locatorPosition) {
    std::array<std::uint8_t, kZip64LocatorSize> bytes{};
    if (!file.ReadAt(locatorPosition, bytes.data(), bytes.size())) return std::nullopt;
    const Decoded<Zip64Locator> locator = DecodeZip64Locator(bytes);
    if (!locator) return std::nullopt;
    const std::uint64_t statedPosition = locator->endRecordOffset;
    if (locatorPosition >= kZip64EndRecordSize &&
        HasSignatureAt(file, locatorPosition - kZip64EndRecordSize, kZip64EndRecordSignature))
        return locatorPosition - kZip64EndRecordSize;
    if (statedPosition < locatorPosition && HasSignatureAt(file, statedPosition, kZip64EndRecordSignature))
        return statedPosition;
    return std::nullopt;
}

// Replaces the stored record's counts with those of the Zip64 end record.
// Without one, the stored values stand: an archive of exactly 65,535 entries
// fills the 16-bit field without needing Zip64.
void ApplyZip64(ArchiveFile& file, std::uint64_t recordPosition, StoredEndRecord& record, std::uint64_t& directoryEnd) {
    if (recordPosition < kZip64LocatorSize) return;
    const auto zip64Position = FindZip64EndRecord(file, recordPosition - kZip64LocatorSize);
    if (!zip64Position) return;
    std::array<std::uint8_t, kZip64EndRecordSize> bytes{};
    if (!file.ReadAt(*zip64Position, bytes.data(), bytes.size())) return;
    const Decoded<Zip64EndRecord> zip64 = DecodeZip64EndRecord(bytes);
    if (!zip64) return;
    record.disk = std::max(record.disk, zip64->thisDisk);
    record.directoryDisk = std::max(record.directoryDisk, zip64->directoryDisk);
    record.entryCount = zip64->totalEntries;
    record.directorySize = zip64->directorySize;
    record.directoryOffset = zip64->directoryOffset;
    directoryEnd = *zip64Position;
}

// The directory must end where the (Zip64) end record begins, start inside
// the file, and begin with a central header when it holds entries.
std::optional<EndRecordInfo> TryEndRecord(ArchiveFile& file, std::uint64_t position, const EndRecord& stored) {
    StoredEndRecord record = Widened(stored);
    std::uint64_t directoryEnd = position;
    if (record.needsZip64) ApplyZip64(file, position, record, directoryEnd);
    if (record.disk != 0 || record.directoryDisk != 0) throw ArchiveRefused("the archive spans several disks");
    if (record.directorySize > directoryEnd) return std::nullopt;
    const std::uint64_t directoryPosition = directoryEnd - record.directorySize;
    if (record.directoryOffset > directoryPosition) return std::nullopt;
    if (record.entryCount > 0 && !HasSignatureAt(file, directoryPosition, kCentralHeaderSignature)) return std::nullopt;
    EndRecordInfo info;
    info.recordPosition = position;
    info.archiveStart = directoryPosition - record.directoryOffset;
    info.archiveEnd = std::min(file.Size(), position + kEndRecordSize + record.commentLength);
    info.directoryPosition = directoryPosition;
    info.directorySize = record.directorySize;
    info.entryCount = record.entryCount;
    info.readAlikeByLibzip = !record.needsZip64 && stored.entriesThisDisk == stored.totalEntries &&
                             position + kEndRecordSize + stored.commentLength <= file.Size();
    return info;
}

// The chosen end record must not lie in the comment of an earlier one that
// holds as well: directory readers take the last end record, streaming
// readers walk the local records from the start, and the two would see
// different archives. Such a file is refused rather than rewritten as one
// reader's view. Returns whether any other end record lies before the chosen one.
bool RefuseWhenInsideAnotherComment(ArchiveFile& file, std::span<const std::uint8_t> tail, std::uint64_t tailStart,
                                    std::uint64_t chosenAt) {
    bool anotherSeen = false;
    // memrchr jumps from one "P" to the one before: up to 64 KiB before the
    // end record are scanned for every archive opened.
    for (std::uint64_t at = chosenAt; at > 0;) {
        const void* found = ::memrchr(tail.data(), 'P', static_cast<std::size_t>(at));
        if (found == nullptr) break;
        at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(found) - tail.data());
        const Decoded<EndRecord> record = DecodeEndRecord(tail.subspan(at));
        if (!record) continue;
        anotherSeen = true;
        if (at + kEndRecordSize + record->commentLength <= chosenAt) continue;
        if (TryEndRecord(file, tailStart + at, *record))
            throw ArchiveRefused("the archive's comment holds a second end record; readers disagree on its entries");
    }
    return anotherSeen;
}

}  // namespace

EndRecordInfo FindEndRecord(ArchiveFile& file) {
    if (file.Size() < kEndRecordSize) throw ArchiveRefused("not a zip archive (too short)");
    const std::uint64_t tailLength = std::min<std::uint64_t>(file.Size(), kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = file.Size() - tailLength;
    // The end of the file is mostly in memory already (the archive's window
    // or kept tail): it is searched there rather than copied.
    std::vector<std::uint8_t> copy;
    const auto read = file.BytesAt(tailStart, static_cast<std::size_t>(tailLength), copy);
    if (!read) throw ArchiveRefused("the archive cannot be read");
    const std::span<const std::uint8_t> tail = *read;
    // libzip weighs every end record it finds in the tail against the
    // others: with a second one there, it may read another archive.
    bool anotherSeen = false;
    for (std::uint64_t at = tailLength - kEndRecordSize + 1; at-- > 0;) {
        const Decoded<EndRecord> record = DecodeEndRecord(tail.subspan(at));
        if (!record) continue;
        if (auto info = TryEndRecord(file, tailStart + at, *record)) {
            anotherSeen = RefuseWhenInsideAnotherComment(file, tail, tailStart, at) || anotherSeen;
            info->readAlikeByLibzip = info->readAlikeByLibzip && !anotherSeen;
            return *info;
        }
        anotherSeen = true;
    }
    throw ArchiveRefused("not a zip archive (no end of central directory record)");
}

}  // namespace vorlan::engine
