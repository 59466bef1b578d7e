// SPDX-License-Identifier: MIT
// Writing test archives record by record (APPNOTE 4.3.7, 4.3.12, 4.3.16).
#include "tests/support/ZipWriter.h"

#include <array>

namespace vorlan::test {

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

const std::string& StoredData(const ZipEntry& entry) {
    return entry.data.empty() ? entry.content : entry.data;
}

std::uint32_t CrcOf(const ZipEntry& entry) {
    return entry.crc.value_or(Crc32(entry.content));
}

std::uint32_t SizeOf(const ZipEntry& entry) {
    return entry.uncompressedSize.value_or(static_cast<std::uint32_t>(entry.content.size()));
}

std::uint16_t Length16(const std::string& text) {
    return static_cast<std::uint16_t>(text.size());
}

// The fields local and central records share, from "version needed" up to
// the name length.
void PutCommonFields(std::string& out, const ZipEntry& entry, std::uint16_t nameLength) {
    Put16(out, 20);
    Put16(out, entry.flags);
    Put16(out, entry.method);
    Put16(out, entry.dosTime);
    Put16(out, entry.dosDate);
    Put32(out, CrcOf(entry));
    Put32(out, static_cast<std::uint32_t>(StoredData(entry).size()));
    Put32(out, SizeOf(entry));
    Put16(out, nameLength);
}

void PutLocalRecord(std::string& out, const ZipEntry& entry) {
    Put32(out, 0x04034B50);
    PutCommonFields(out, entry, Length16(entry.name));
    Put16(out, Length16(entry.localExtra));
    out += entry.name + entry.localExtra + StoredData(entry);
}

void PutCentralRecord(std::string& out, const ZipEntry& entry, std::uint32_t localOffset) {
    Put32(out, entry.centralSignature.value_or(0x02014B50));
    Put16(out, entry.versionMadeBy);
    PutCommonFields(out, entry, entry.nameLengthField.value_or(Length16(entry.name)));
    Put16(out, entry.extraLengthField.value_or(Length16(entry.centralExtra)));
    Put16(out, entry.commentLengthField.value_or(Length16(entry.comment)));
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, entry.externalAttributes);
    Put32(out, entry.localHeaderOffset.value_or(localOffset));
    out += entry.name + entry.centralExtra + entry.comment;
}

}  // namespace

std::uint32_t Crc32(const std::string& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

ZipEntry StoredEntry(const std::string& name, const std::string& content) {
    ZipEntry entry;
    entry.name = name;
    entry.content = content;
    return entry;
}

ZipEntry LinkEntry(const std::string& name, const std::string& target) {
    ZipEntry entry = StoredEntry(name, target);
    entry.versionMadeBy = (3 << 8) | 20;
    entry.externalAttributes = 0120777u << 16;
    return entry;
}

std::string EndRecordBytes(const EndRecordFields& fields) {
    std::string out;
    Put32(out, 0x06054B50);
    Put16(out, fields.thisDisk.value_or(0));
    Put16(out, fields.centralDirDisk.value_or(0));
    Put16(out, fields.entriesThisDisk.value_or(0));
    Put16(out, fields.totalEntries.value_or(0));
    Put32(out, fields.centralDirSize.value_or(0));
    Put32(out, fields.centralDirOffset.value_or(0));
    Put16(out, fields.commentLength.value_or(0));
    return out;
}

std::string ZipArchive::bytes(ZipLayout* layout) const {
    ZipLayout where;
    std::string out = prefix;
    for (const ZipEntry& entry : entries) {
        where.localHeaderOffsets.push_back(out.size());
        if (entry.writeLocalRecord) PutLocalRecord(out, entry);
    }
    where.centralDirOffset = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        where.centralHeaderOffsets.push_back(out.size());
        // Offsets are stored as an archive tool stores them: from the start
        // of the archive, not of the file.
        PutCentralRecord(out, entries[i], static_cast<std::uint32_t>(where.localHeaderOffsets[i] - prefix.size()));
    }
    where.centralDirSize = out.size() - where.centralDirOffset;
    where.endRecordOffset = out.size();
    const auto count = statedEntryCount.value_or(static_cast<std::uint16_t>(entries.size()));
    EndRecordFields fields = endRecord;
    fields.entriesThisDisk = fields.entriesThisDisk.value_or(count);
    fields.totalEntries = fields.totalEntries.value_or(count);
    fields.centralDirSize = fields.centralDirSize.value_or(static_cast<std::uint32_t>(where.centralDirSize));
    fields.centralDirOffset =
        fields.centralDirOffset.value_or(static_cast<std::uint32_t>(where.centralDirOffset - prefix.size()));
    fields.commentLength = fields.commentLength.value_or(Length16(comment));
    out += EndRecordBytes(fields) + comment;
    if (layout != nullptr) *layout = std::move(where);
    return out;
}

}  // namespace vorlan::test
