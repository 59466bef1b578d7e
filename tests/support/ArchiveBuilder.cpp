// The tests' archive builder.
#include "tests/support/ArchiveBuilder.h"

#include <array>

namespace vorlan::test {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint16_t kFixedTime = 0x6000;  // 12:00:00
constexpr std::uint16_t kFixedDate = 0x5821;  // 2024-01-01

void Put(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// CRC-32 of the zip format (reflected polynomial 0xEDB88320), computed here
// so that the test support library needs no zlib.
std::uint32_t Crc(const std::string& data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : data) crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint16_t Length16(const std::string& text) {
    return static_cast<std::uint16_t>(text.size());
}
std::uint32_t Length32(std::size_t size) {
    return static_cast<std::uint32_t>(size);
}

void PutLocalHeader(std::string& out, const BuilderEntry& entry) {
    Put(out, kLocalHeaderSignature, 4);
    Put(out, 20, 2);
    Put(out, entry.flags, 2);
    Put(out, 0, 2);  // stored
    Put(out, kFixedTime, 2);
    Put(out, kFixedDate, 2);
    Put(out, Crc(entry.data), 4);
    Put(out, Length32(entry.data.size()), 4);
    Put(out, Length32(entry.data.size()), 4);
    Put(out, Length16(entry.name), 2);
    Put(out, 0, 2);
    out += entry.name;
    out += entry.data;
}

void PutCentralHeader(std::string& out, const BuilderEntry& entry, std::size_t localOffset) {
    Put(out, entry.signatureField.value_or(kCentralHeaderSignature), 4);
    Put(out, entry.versionMadeBy, 1);
    Put(out, entry.hostSystem, 1);
    Put(out, 20, 2);
    Put(out, entry.flags, 2);
    Put(out, 0, 2);
    Put(out, kFixedTime, 2);
    Put(out, kFixedDate, 2);
    Put(out, Crc(entry.data), 4);
    Put(out, Length32(entry.data.size()), 4);
    Put(out, Length32(entry.data.size()), 4);
    Put(out, entry.nameLengthField.value_or(Length16(entry.name)), 2);
    Put(out, entry.extraLengthField.value_or(Length16(entry.extra)), 2);
    Put(out, entry.commentLengthField.value_or(Length16(entry.comment)), 2);
    Put(out, 0, 2);  // disk number start
    Put(out, 0, 2);  // internal attributes
    Put(out, entry.externalAttributes, 4);
    Put(out, Length32(localOffset), 4);
    out += entry.name + entry.extra + entry.comment;
}

}  // namespace

ArchiveBuilder& ArchiveBuilder::Prepend(std::string bytes) {
    prefix_ = std::move(bytes);
    return *this;
}

ArchiveBuilder& ArchiveBuilder::Add(BuilderEntry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

ArchiveBuilder& ArchiveBuilder::Add(const std::string& name, const std::string& data) {
    BuilderEntry entry;
    entry.name = name;
    entry.data = data;
    return Add(std::move(entry));
}

ArchiveBuilder& ArchiveBuilder::Comment(std::string comment) {
    comment_ = std::move(comment);
    return *this;
}

ArchiveBuilder& ArchiveBuilder::Override(const EndRecordOverrides& overrides) {
    overrides_ = overrides;
    return *this;
}

std::string ArchiveBuilder::EndRecord(std::uint16_t thisDisk, std::uint16_t centralDirDisk,
                                      std::uint16_t entriesThisDisk, std::uint16_t totalEntries,
                                      std::uint32_t centralDirSize, std::uint32_t centralDirOffset,
                                      std::uint16_t commentLength) {
    std::string out;
    Put(out, kEndRecordSignature, 4);
    Put(out, thisDisk, 2);
    Put(out, centralDirDisk, 2);
    Put(out, entriesThisDisk, 2);
    Put(out, totalEntries, 2);
    Put(out, centralDirSize, 4);
    Put(out, centralDirOffset, 4);
    Put(out, commentLength, 2);
    return out;
}

std::string ArchiveBuilder::Build(BuiltLayout* layout) const {
    BuiltLayout where;
    std::string out = prefix_;
    std::vector<std::size_t> localOffsets;
    for (const BuilderEntry& entry : entries_) {
        localOffsets.push_back(out.size() - prefix_.size());  // as an archive tool stores it
        PutLocalHeader(out, entry);
    }
    where.centralDirOffset = out.size();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        where.centralHeaderOffsets.push_back(out.size());
        PutCentralHeader(out, entries_[i], localOffsets[i]);
    }
    where.centralDirSize = out.size() - where.centralDirOffset;
    where.endRecordOffset = out.size();
    const auto count = static_cast<std::uint16_t>(entries_.size());
    const EndRecordOverrides& o = overrides_;
    out += EndRecord(o.thisDisk.value_or(0), o.centralDirDisk.value_or(0), o.entriesThisDisk.value_or(count),
                     o.totalEntries.value_or(count), o.centralDirSize.value_or(Length32(where.centralDirSize)),
                     o.centralDirOffset.value_or(Length32(where.centralDirOffset - prefix_.size())),
                     o.commentLength.value_or(Length16(comment_)));
    out += comment_;
    if (layout != nullptr) *layout = where;
    return out;
}

}  // namespace vorlan::test
