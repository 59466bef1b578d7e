// Finding the end-of-central-directory record and the directory it points at.
#include "engines/EndRecord.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "engines/ByteReader.h"
#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

constexpr std::uint64_t kLongestComment = 0xFFFF;
constexpr std::uint64_t kZip64LocatorSize = 20;
constexpr std::uint64_t kZip64EndRecordSize = 56;
constexpr std::uint32_t kCentralSignature = 0x02014B50;

struct StoredEndRecord {
    std::uint32_t disk = 0, directoryDisk = 0;
    std::uint64_t entryCount = 0, directorySize = 0, directoryOffset = 0;
    std::uint16_t commentLength = 0;
    bool needsZip64 = false;
};

StoredEndRecord DecodeEndRecord(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    StoredEndRecord record;
    reader.skip(4);
    record.disk = reader.u16();
    record.directoryDisk = reader.u16();
    const std::uint16_t entriesHere = reader.u16();
    record.entryCount = reader.u16();
    record.directorySize = reader.u32();
    record.directoryOffset = reader.u32();
    record.commentLength = reader.u16();
    record.needsZip64 = entriesHere == 0xFFFF || record.entryCount == 0xFFFF || record.directorySize == 0xFFFFFFFF ||
                        record.directoryOffset == 0xFFFFFFFF;
    return record;
}

std::uint32_t SignatureAt(ArchiveFile& file, std::uint64_t position) {
    std::array<std::uint8_t, 4> bytes{};
    if (!file.readAt(position, bytes.data(), bytes.size())) return 0;
    return ByteReader(bytes).u32();
}

// The Zip64 end record sits right before its locator, or where the locator
// says when there is no data in front of the archive.
std::optional<std::uint64_t> FindZip64EndRecord(ArchiveFile& file, std::uint64_t locatorPosition) {
    std::array<std::uint8_t, kZip64LocatorSize> locator{};
    if (!file.readAt(locatorPosition, locator.data(), locator.size())) return std::nullopt;
    ByteReader reader(locator);
    if (reader.u32() != kZip64LocatorSignature) return std::nullopt;
    reader.skip(4);
    const std::uint64_t statedPosition = reader.u64();
    if (locatorPosition >= kZip64EndRecordSize &&
        SignatureAt(file, locatorPosition - kZip64EndRecordSize) == kZip64EndRecordSignature)
        return locatorPosition - kZip64EndRecordSize;
    if (statedPosition < locatorPosition && SignatureAt(file, statedPosition) == kZip64EndRecordSignature)
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
    if (!file.readAt(*zip64Position, bytes.data(), bytes.size())) return;
    ByteReader reader(bytes);
    reader.skip(16);
    record.disk = std::max(record.disk, reader.u32());
    record.directoryDisk = std::max(record.directoryDisk, reader.u32());
    reader.skip(8);
    record.entryCount = reader.u64();
    record.directorySize = reader.u64();
    record.directoryOffset = reader.u64();
    directoryEnd = *zip64Position;
}

// The directory must end where the (Zip64) end record begins, start inside
// the file, and begin with a central header when it holds entries.
std::optional<EndRecordInfo> TryEndRecord(ArchiveFile& file, std::uint64_t position,
                                          std::span<const std::uint8_t> bytes) {
    StoredEndRecord record = DecodeEndRecord(bytes);
    std::uint64_t directoryEnd = position;
    if (record.needsZip64) ApplyZip64(file, position, record, directoryEnd);
    if (record.disk != 0 || record.directoryDisk != 0) throw ArchiveRefused("the archive spans several disks");
    if (record.directorySize > directoryEnd) return std::nullopt;
    const std::uint64_t directoryPosition = directoryEnd - record.directorySize;
    if (record.directoryOffset > directoryPosition) return std::nullopt;
    if (record.entryCount > 0 && SignatureAt(file, directoryPosition) != kCentralSignature) return std::nullopt;
    EndRecordInfo info;
    info.recordPosition = position;
    info.archiveStart = directoryPosition - record.directoryOffset;
    info.archiveEnd = std::min(file.size(), position + kEndRecordSize + record.commentLength);
    info.directoryPosition = directoryPosition;
    info.directorySize = record.directorySize;
    info.entryCount = record.entryCount;
    return info;
}

// The chosen end record must not lie in the comment of an earlier one that
// holds as well: directory readers take the last end record, streaming
// readers walk the local records from the start, and the two would see
// different archives. Such a file is refused rather than rewritten as one
// reader's view.
void RefuseWhenInsideAnotherComment(ArchiveFile& file, std::span<const std::uint8_t> tail, std::uint64_t tailStart,
                                    std::uint64_t chosenAt) {
    // memrchr jumps from one "P" to the one before: up to 64 KiB before the
    // end record are scanned for every archive opened.
    for (std::uint64_t at = chosenAt; at > 0;) {
        const void* found = ::memrchr(tail.data(), 'P', static_cast<std::size_t>(at));
        if (found == nullptr) break;
        at = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(found) - tail.data());
        if (at + kEndRecordSize > tail.size()) continue;
        const auto bytes = tail.subspan(at, kEndRecordSize);
        if (ByteReader(bytes).u32() != kEndRecordSignature) continue;
        if (at + kEndRecordSize + DecodeEndRecord(bytes).commentLength <= chosenAt) continue;
        if (TryEndRecord(file, tailStart + at, bytes))
            throw ArchiveRefused("the archive's comment holds a second end record; readers disagree on its entries");
    }
}

}  // namespace

EndRecordInfo FindEndRecord(ArchiveFile& file) {
    if (file.size() < kEndRecordSize) throw ArchiveRefused("not a zip archive (too short)");
    const std::uint64_t tailLength = std::min(file.size(), kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = file.size() - tailLength;
    std::vector<std::uint8_t> tail(tailLength);
    if (!file.readAt(tailStart, tail.data(), tail.size())) throw ArchiveRefused("the archive cannot be read");
    for (std::uint64_t at = tailLength - kEndRecordSize + 1; at-- > 0;) {
        const auto bytes = std::span<const std::uint8_t>(tail).subspan(at, kEndRecordSize);
        if (ByteReader(bytes).u32() != kEndRecordSignature) continue;
        if (auto info = TryEndRecord(file, tailStart + at, bytes)) {
            RefuseWhenInsideAnotherComment(file, tail, tailStart, at);
            return *info;
        }
    }
    throw ArchiveRefused("not a zip archive (no end of central directory record)");
}

}  // namespace vorlan::engine
