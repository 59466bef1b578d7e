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

// The fields local and central records share, from "version needed" on.
void PutCommonFields(std::string& out, const ZipEntry& entry, std::size_t extraLength) {
    Put16(out, 20);
    Put16(out, entry.flags);
    Put16(out, entry.method);
    Put16(out, entry.dosTime);
    Put16(out, entry.dosDate);
    Put32(out, CrcOf(entry));
    Put32(out, static_cast<std::uint32_t>(StoredData(entry).size()));
    Put32(out, SizeOf(entry));
    Put16(out, static_cast<std::uint32_t>(entry.name.size()));
    Put16(out, static_cast<std::uint32_t>(extraLength));
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

std::string ZipArchive::bytes() const {
    std::string out = prefix;
    std::vector<std::uint32_t> offsets;
    for (const ZipEntry& entry : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size() - prefix.size()));
        if (!entry.writeLocalRecord) continue;
        Put32(out, 0x04034B50);
        PutCommonFields(out, entry, entry.localExtra.size());
        out += entry.name + entry.localExtra + StoredData(entry);
    }
    const std::size_t directoryStart = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ZipEntry& entry = entries[i];
        Put32(out, 0x02014B50);
        Put16(out, entry.versionMadeBy);
        PutCommonFields(out, entry, entry.centralExtra.size());
        Put16(out, 0);  // comment length
        Put16(out, 0);  // disk
        Put16(out, 0);  // internal attributes
        Put32(out, entry.externalAttributes);
        Put32(out, entry.localHeaderOffset.value_or(offsets[i]));
        out += entry.name + entry.centralExtra;
    }
    const auto count = statedEntryCount.value_or(static_cast<std::uint16_t>(entries.size()));
    Put32(out, 0x06054B50);
    Put32(out, 0);  // disk numbers
    Put16(out, count);
    Put16(out, count);
    Put32(out, static_cast<std::uint32_t>(out.size() - directoryStart - 12));
    Put32(out, static_cast<std::uint32_t>(directoryStart - prefix.size()));
    Put16(out, static_cast<std::uint32_t>(comment.size()));
    return out + comment;
}

}  // namespace vorlan::test
