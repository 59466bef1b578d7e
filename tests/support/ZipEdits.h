// SPDX-License-Identifier: MIT
// Byte-level edits of archives the tests' zip writer made: a field of the end
// record or of a central header set to a lie, a Zip64 end record put in
// front of the end record, a local record hidden inside another; and
// deflated data made to order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/ZipWriter.h"

namespace vorlan::test {

// Raw deflate (no zlib header), as entries of method 8 hold it.
std::string RawDeflate(const std::string& content);
// An entry of method 8 holding content.
ZipEntry DeflatedEntry(const std::string& name, const std::string& content);

// A raw deflate stream that inflates to `mebibytes` MiB of zero bytes, a few
// hundred bytes per MiB, built without inflating anything: one flushed block
// of a MiB of zeros repeated, then an empty final block.
std::string DeflatedZeros(std::uint32_t mebibytes);
// The CRC-32 of that many MiB of zero bytes.
std::uint32_t CrcOfZeros(std::uint32_t mebibytes);

void Put16At(std::string& bytes, std::size_t offset, std::uint16_t value);
void Put32At(std::string& bytes, std::size_t offset, std::uint32_t value);
std::uint16_t Get16At(const std::string& bytes, std::size_t offset);
std::uint32_t Get32At(const std::string& bytes, std::size_t offset);

// Field offsets inside the end record (APPNOTE 4.3.16) and a central header
// (APPNOTE 4.3.12).
enum EndRecordField : std::size_t {
    kEndThisDisk = 4,
    kEndEntriesThisDisk = 8,
    kEndTotalEntries = 10,
    kEndDirectorySize = 12,
    kEndDirectoryOffset = 16,
    kEndCommentLength = 20,
};
enum CentralHeaderField : std::size_t {
    kCentralCompressedSize = 20,
    kCentralUncompressedSize = 24,
    kCentralLocalHeaderOffset = 42,
};
constexpr std::size_t kEndRecordLength = 22;

// Where the end record of an archive written with a comment of that length lies.
std::size_t EndRecordOffset(const std::string& archive, std::size_t commentLength = 0);
// Where the index-th central header lies (the archive has no data in front).
std::size_t CentralHeaderOffset(const std::string& archive, std::size_t index, std::size_t commentLength = 0);

// The archive (without a comment) with a Zip64 end record and its locator
// before the end record, whose counts, size and offset become the Zip64
// markers (APPNOTE 4.3.14, 4.3.15).
std::string WithZip64EndRecord(const std::string& archive);

// Entries a.txt ("alpha") and b.txt ("beta") where b.txt's whole local record
// hides in a.txt's local extra field: only a.txt's local header shows that
// a.txt's bytes run over b.txt's; b.txt's own bytes are sound.
ZipArchive EntryInsideAnotherLocalExtra();

}  // namespace vorlan::test
