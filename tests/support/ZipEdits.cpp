// SPDX-License-Identifier: MIT
// Byte-level edits of test archives.
#include "tests/support/ZipEdits.h"

#include <zlib.h>

#include <stdexcept>

namespace vorlan::test {

namespace {

constexpr std::uint32_t kMebibyte = 1u << 20;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::size_t kCentralHeaderLength = 46;

void Append(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Deflates input into out; flush says how the piece ends (Z_FULL_FLUSH,
// Z_FINISH).
void DeflatePiece(z_stream& stream, const std::string& input, int flush, std::string& out) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    std::string buffer(deflateBound(&stream, input.size()) + 64, '\0');
    do {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        deflate(&stream, flush);
        out.append(buffer.data(), buffer.size() - stream.avail_out);
    } while (stream.avail_out == 0);
}

z_stream RawDeflater() {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    return stream;
}

}  // namespace

std::string RawDeflate(const std::string& content) {
    z_stream stream = RawDeflater();
    std::string out;
    DeflatePiece(stream, content, Z_FINISH, out);
    deflateEnd(&stream);
    return out;
}

ZipEntry DeflatedEntry(const std::string& name, const std::string& content) {
    ZipEntry entry = StoredEntry(name, content);
    entry.method = 8;
    entry.data = RawDeflate(content);
    return entry;
}

std::string DeflatedZeros(std::uint32_t mebibytes) {
    // After a full flush the deflater starts afresh, so every MiB of zeros
    // comes out as the same bytes: one piece, repeated.
    z_stream stream = RawDeflater();
    std::string piece;
    DeflatePiece(stream, std::string(kMebibyte, '\0'), Z_FULL_FLUSH, piece);
    std::string ending;
    DeflatePiece(stream, std::string(), Z_FINISH, ending);
    deflateEnd(&stream);
    std::string out;
    out.reserve(piece.size() * mebibytes + ending.size());
    for (std::uint32_t i = 0; i < mebibytes; ++i) out += piece;
    return out + ending;
}

std::uint32_t CrcOfZeros(std::uint32_t mebibytes) {
    const std::string zeros(kMebibyte, '\0');
    const uLong one = crc32(0L, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::uint32_t i = 0; i < mebibytes; ++i) crc = crc32_combine(crc, one, static_cast<z_off_t>(kMebibyte));
    return static_cast<std::uint32_t>(crc);
}

void Put16At(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

void Put32At(std::string& bytes, std::size_t offset, std::uint32_t value) {
    Put16At(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16At(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t Get16At(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes.at(offset)) |
                                      static_cast<std::uint8_t>(bytes.at(offset + 1)) << 8);
}

std::uint32_t Get32At(const std::string& bytes, std::size_t offset) {
    return Get16At(bytes, offset) | static_cast<std::uint32_t>(Get16At(bytes, offset + 2)) << 16;
}

std::size_t EndRecordOffset(const std::string& archive, std::size_t commentLength) {
    if (archive.size() < kEndRecordLength + commentLength) throw std::runtime_error("no room for an end record");
    const std::size_t offset = archive.size() - kEndRecordLength - commentLength;
    if (Get32At(archive, offset) != kEndSignature) throw std::runtime_error("no end record where expected");
    return offset;
}

std::size_t CentralHeaderOffset(const std::string& archive, std::size_t index, std::size_t commentLength) {
    std::size_t offset = Get32At(archive, EndRecordOffset(archive, commentLength) + kEndDirectoryOffset);
    for (std::size_t i = 0; i < index; ++i)
        offset += kCentralHeaderLength + Get16At(archive, offset + 28) + Get16At(archive, offset + 30) +
                  Get16At(archive, offset + 32);
    return offset;
}

std::string WithZip64EndRecord(const std::string& archive) {
    const std::size_t end = EndRecordOffset(archive);
    const std::uint16_t entries = Get16At(archive, end + kEndTotalEntries);
    const std::uint32_t size = Get32At(archive, end + kEndDirectorySize);
    const std::uint32_t offset = Get32At(archive, end + kEndDirectoryOffset);
    std::string records;
    Append(records, kZip64EndSignature, 4);
    Append(records, 44, 8);  // the size of the rest of this record
    Append(records, 45, 2);  // version made by: 4.5
    Append(records, 45, 2);  // version needed
    Append(records, 0, 4);   // this disk
    Append(records, 0, 4);   // the directory's disk
    Append(records, entries, 8);
    Append(records, entries, 8);
    Append(records, size, 8);
    Append(records, offset, 8);
    Append(records, kZip64LocatorSignature, 4);
    Append(records, 0, 4);    // the disk of the Zip64 end record
    Append(records, end, 8);  // where it lies
    Append(records, 1, 4);    // disks in all
    return archive.substr(0, end) + records +
           EndRecordBytes({.entriesThisDisk = 0xFFFF,
                           .totalEntries = 0xFFFF,
                           .centralDirSize = 0xFFFFFFFF,
                           .centralDirOffset = 0xFFFFFFFF});
}

ZipArchive EntryInsideAnotherLocalExtra() {
    const std::string inner = ZipArchive{"", {StoredEntry("b.txt", "beta")}}.bytes();
    ZipArchive archive{"", {StoredEntry("a.txt", "alpha"), StoredEntry("b.txt", "beta")}};
    archive.entries[0].localExtra = inner.substr(0, inner.find("PK\x01\x02"));
    archive.entries[1].writeLocalRecord = false;
    archive.entries[1].localHeaderOffset = 30 + 5;  // a.txt's header and name, then its extra field
    return archive;
}

}  // namespace vorlan::test
