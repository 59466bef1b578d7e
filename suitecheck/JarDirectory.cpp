// SPDX-License-Identifier: MIT
// Finding and reading a JAR's central directory.
#include "suitecheck/JarDirectory.h"

#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>

#include "zipformat/EndRecords.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

namespace {

// The batch reads no larger directory of a JAR (the archive component's
// sanity limit), so neither does the check.
constexpr std::uint32_t kLargestDirectory = 1024000;

struct Located {
    EndRecord record;
    std::uint64_t directoryPosition = 0;
};

bool HasSignatureAt(JarFile& file, std::uint64_t position, std::uint32_t signature) {
    std::array<std::uint8_t, 4> bytes{};
    return file.ReadAt(position, bytes.data(), bytes.size()) && StartsWithSignature(bytes, signature);
}

// An end record holds when its directory ends where it begins, starts after
// the offset it states, and begins with a central record when it has entries:
// an end record's signature inside a comment or an entry's data fails that.
std::optional<Located> Holding(JarFile& file, std::uint64_t position, const EndRecord& record) {
    if (record.directorySize > position) return std::nullopt;
    const std::uint64_t directoryPosition = position - record.directorySize;
    if (record.directoryOffset > directoryPosition) return std::nullopt;
    if (record.totalEntries > 0 && !HasSignatureAt(file, directoryPosition, kCentralHeaderSignature))
        return std::nullopt;
    return Located{record, directoryPosition};
}

// The last end record that holds, scanning back over the longest comment;
// throws saying why there is none.
Located FindEndRecord(JarFile& file) {
    if (file.Size() < kEndRecordSize) throw std::runtime_error("too short for a zip file");
    const std::uint64_t tailLength = std::min<std::uint64_t>(file.Size(), kEndRecordSize + kLongestComment);
    const std::uint64_t tailStart = file.Size() - tailLength;
    std::vector<std::uint8_t> tail(tailLength);
    if (!file.ReadAt(tailStart, tail.data(), tail.size())) throw std::runtime_error("it cannot be read");
    bool seen = false;  // an end record's signature, but not a directory where it points
    for (std::uint64_t at = tailLength - kEndRecordSize + 1; at-- > 0;) {
        const Decoded<EndRecord> record = DecodeEndRecord(std::span<const std::uint8_t>(tail).subspan(at));
        if (!record) continue;
        // Its directory is where a Zip64 end record says, which phones do not read.
        if (record->DefersToZip64()) throw std::runtime_error("a Zip64 archive, which phones do not read");
        if (const auto located = Holding(file, tailStart + at, *record)) return *located;
        seen = true;
    }
    if (seen) throw std::runtime_error("its end record does not point to a central directory");
    throw std::runtime_error("no end of central directory record");
}

}  // namespace

JarDirectory ReadJarDirectory(JarFile& file) {
    const Located end = FindEndRecord(file);
    if (end.record.thisDisk != 0 || end.record.directoryDisk != 0) throw std::runtime_error("it spans several disks");
    if (end.record.directorySize > kLargestDirectory)
        throw std::runtime_error("its central directory is larger than 1,024,000 bytes");
    JarDirectory directory;
    directory.archiveStart = end.directoryPosition - end.record.directoryOffset;
    directory.entryCount = end.record.totalEntries;
    directory.records.resize(end.record.directorySize);
    if (!file.ReadAt(end.directoryPosition, directory.records.data(), directory.records.size()))
        throw std::runtime_error("its central directory cannot be read");
    return directory;
}

}  // namespace vorlan
