// SPDX-License-Identifier: MIT
// The zip records' fixed parts read from archives the tests' writer made,
// where one field decides, and from Info-ZIP's Zip64 records: every decoded
// field must match what the writer put there, and a record cut short or
// without its signature is reported as such.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"
#include "zipformat/EndRecords.h"
#include "zipformat/EntryHeaders.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan::test {
namespace {

std::span<const std::uint8_t> At(const std::string& bytes, std::size_t offset) {
    return AsBytes(bytes).subspan(offset);
}

// Info-ZIP's -fz writes the Zip64 end record, its locator and a Zip64 extra
// field even for a small archive: one entry holding "hello\n". Made once.
const std::string& InfoZipForcedZip64() {
    static const std::string bytes = [] {
        TempDir dir;
        WriteFile(dir / "a.txt", "hello\n");
        const CommandResult zip = RunCommand({"zip", "-q", "-fz", "z.zip", "a.txt"}, dir.path());
        if (zip.status != 0) throw std::runtime_error("zip -fz failed: " + zip.errors);
        return ReadFile(dir / "z.zip");
    }();
    return bytes;
}

// Every field of the fixed parts, each given a value of its own by the writer.
TEST(EntryRecords, EveryFieldComesFromItsOwnPlace) {
    ZipEntry entry = StoredEntry("dir/name.txt", "content");
    entry.method = 8;
    entry.data = "stored-data";
    entry.flags = kFlagUtf8Name | kFlagEncrypted;
    entry.versionMadeBy = (11 << 8) | 50;
    entry.externalAttributes = 0x81A40020;
    entry.dosTime = 0x7A31;
    entry.dosDate = 0x5B2C;
    entry.centralExtra = std::string("\x55\x54\x01\x00\x07", 5);
    entry.localExtra = "local";
    entry.crc = 0xA1B2C3D4;
    entry.uncompressedSize = 0x01020304;
    const std::string bytes = ZipArchive{"stub", {entry}}.bytes();

    const Decoded<EndRecord> end = DecodeEndRecord(At(bytes, bytes.size() - kEndRecordSize));
    ASSERT_TRUE(end);
    EXPECT_EQ(end->totalEntries, 1);
    EXPECT_EQ(end->directoryOffset + 4 + end->directorySize, bytes.size() - kEndRecordSize);
    const Decoded<CentralHeader> central = DecodeCentralHeader(At(bytes, 4 + end->directoryOffset));
    ASSERT_TRUE(central);
    EXPECT_EQ(central->versionMadeBy, entry.versionMadeBy);
    EXPECT_EQ(central->WriterVersion(), 50);
    EXPECT_EQ(central->HostSystem(), 11);
    EXPECT_EQ(central->flags, entry.flags);
    EXPECT_EQ(central->method, 8);
    EXPECT_EQ(central->dosTime, entry.dosTime);
    EXPECT_EQ(central->dosDate, entry.dosDate);
    EXPECT_EQ(central->crc, 0xA1B2C3D4u);
    EXPECT_EQ(central->compressedSize, entry.data.size());
    EXPECT_EQ(central->uncompressedSize, 0x01020304u);
    EXPECT_EQ(central->nameLength, entry.name.size());
    EXPECT_EQ(central->extraLength, 5);
    EXPECT_EQ(central->commentLength, 0);
    EXPECT_EQ(central->externalAttributes, 0x81A40020u);
    EXPECT_EQ(central->localHeaderOffset, 0u);  // as stored, not counting the stub
    const Decoded<LocalHeader> local = DecodeLocalHeader(At(bytes, 4));
    ASSERT_TRUE(local);
    EXPECT_EQ(local->extraLength, entry.localExtra.size());
    EXPECT_EQ(local->VariableLength(), entry.name.size() + entry.localExtra.size());
    EXPECT_EQ(local->crc, 0xA1B2C3D4u);
    EXPECT_EQ(local->compressedSize, entry.data.size());
    EXPECT_EQ(local->uncompressedSize, 0x01020304u);
}

TEST(Zip64Records, InfoZipForcedZip64IsFoundThroughTheLocator) {
    const std::string& bytes = InfoZipForcedZip64();
    const std::size_t endAt = bytes.size() - kEndRecordSize;
    const std::size_t locatorAt = endAt - kZip64LocatorSize;
    const Decoded<Zip64Locator> locator = DecodeZip64Locator(At(bytes, locatorAt));
    ASSERT_TRUE(locator);
    EXPECT_EQ(locator->endRecordOffset, locatorAt - kZip64EndRecordSize);
    EXPECT_EQ(locator->totalDisks, 1u);
    const Decoded<Zip64EndRecord> zip64 = DecodeZip64EndRecord(At(bytes, locator->endRecordOffset));
    ASSERT_TRUE(zip64);
    EXPECT_EQ(zip64->recordSize, kZip64EndRecordSize - 12);  // without signature and size
    EXPECT_EQ(zip64->totalEntries, 1u);
    EXPECT_EQ(zip64->entriesThisDisk, 1u);
    EXPECT_EQ(zip64->directoryOffset + zip64->directorySize, locator->endRecordOffset);

    const Decoded<CentralHeader> central = DecodeCentralHeader(At(bytes, zip64->directoryOffset));
    ASSERT_TRUE(central);
    const std::string extra =
        bytes.substr(zip64->directoryOffset + kCentralHeaderSize + central->nameLength, central->extraLength);
    const auto sizes = FindExtraBlock(AsBytes(extra), kZip64ExtraId);
    ASSERT_TRUE(sizes);
    ASSERT_GE(sizes->size(), 8u);
    EXPECT_EQ(LittleEndianReader(*sizes).U64(), 6u);  // "hello\n"
}

// A record one byte short is cut short; a record whose first byte changed
// has no signature: neither gives a record.
struct RecordCase {
    const char* name;
    std::size_t size;
    std::function<std::optional<RecordFault>(std::span<const std::uint8_t>)> decode;
};

template <typename Record>
std::optional<RecordFault> FaultOf(const Decoded<Record>& decoded) {
    return decoded ? std::nullopt : std::optional<RecordFault>(decoded.Fault());
}

class RecordFaultTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordFaultTest, ShortOrUnsignedBytesGiveNoRecord) {
    const RecordCase& c = GetParam();
    const std::string& bytes = InfoZipForcedZip64();
    // Every record of this archive, found by its signature.
    std::size_t at = std::string::npos;
    for (std::size_t i = 0; i + c.size <= bytes.size() && at == std::string::npos; ++i)
        if (!c.decode(At(bytes, i))) at = i;
    ASSERT_NE(at, std::string::npos) << c.name;
    const std::string record = bytes.substr(at, c.size);
    EXPECT_EQ(c.decode(AsBytes(record)), std::nullopt);
    EXPECT_EQ(c.decode(AsBytes(record.substr(0, c.size - 1))), RecordFault::Truncated);
    std::string unsignedRecord = record;
    unsignedRecord[0] = 'Q';
    EXPECT_EQ(c.decode(AsBytes(unsignedRecord)), RecordFault::WrongSignature);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordFaultTest,
    ::testing::Values(
        RecordCase{"local", kLocalHeaderSize, [](auto bytes) { return FaultOf(DecodeLocalHeader(bytes)); }},
        RecordCase{"central", kCentralHeaderSize, [](auto bytes) { return FaultOf(DecodeCentralHeader(bytes)); }},
        RecordCase{"zip64end", kZip64EndRecordSize, [](auto bytes) { return FaultOf(DecodeZip64EndRecord(bytes)); }},
        RecordCase{"locator", kZip64LocatorSize, [](auto bytes) { return FaultOf(DecodeZip64Locator(bytes)); }},
        RecordCase{"end", kEndRecordSize, [](auto bytes) { return FaultOf(DecodeEndRecord(bytes)); }}),
    [](const auto& test) { return std::string(test.param.name); });

// The all-ones values that defer to a Zip64 end record, one field at a time.
TEST(EndRecords, AnyAllOnesCountOrSizeDefersToZip64) {
    EXPECT_FALSE(EndRecord{}.DefersToZip64());
    EXPECT_FALSE((EndRecord{0, 0, 0xFFFE, 0xFFFE, 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFF}.DefersToZip64()));
    EXPECT_TRUE((EndRecord{0, 0, 0xFFFF, 0, 0, 0, 0}.DefersToZip64()));
    EXPECT_TRUE((EndRecord{0, 0, 0, 0xFFFF, 0, 0, 0}.DefersToZip64()));
    EXPECT_TRUE((EndRecord{0, 0, 0, 0, 0xFFFFFFFF, 0, 0}.DefersToZip64()));
    EXPECT_TRUE((EndRecord{0, 0, 0, 0, 0, 0xFFFFFFFF, 0}.DefersToZip64()));
}

TEST(ExtraFields, BlocksAreFoundByIdAndACutBlockEndsTheWalk) {
    const std::string field = std::string("\x0A\x00\x02\x00xy", 6) + std::string("\x01\x00\x03\x00", 4) + "abc";
    const auto found = FindExtraBlock(AsBytes(field), kZip64ExtraId);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(found->begin(), found->end()), "abc");
    EXPECT_FALSE(FindExtraBlock(AsBytes(field), 0x5455));
    // The first block claims more bytes than there are: found empty when it
    // has the id, and nothing behind it is found.
    const std::string cut = std::string("\x01\x00\x09\x00", 4) + "ab";
    ASSERT_TRUE(FindExtraBlock(AsBytes(cut), kZip64ExtraId));
    EXPECT_TRUE(FindExtraBlock(AsBytes(cut), kZip64ExtraId)->empty());
    EXPECT_FALSE(FindExtraBlock(AsBytes(std::string("\x0A\x00\x40\x00", 4) + field), kZip64ExtraId));
    // Whole blocks: each header's length ends inside the field, the last with it.
    EXPECT_TRUE(ExtraHoldsWholeBlocks(AsBytes(field)));
    EXPECT_TRUE(ExtraHoldsWholeBlocks({}));
    EXPECT_FALSE(ExtraHoldsWholeBlocks(AsBytes(cut)));
    EXPECT_FALSE(ExtraHoldsWholeBlocks(AsBytes(field + "\x01\x00")));  // a header cut short
}

TEST(BoundedReader, ReadsLeastSignificantFirstAndFailsPastTheEnd) {
    LittleEndianReader reader(std::string_view("\x01\x02\x03\x04\x05\x06\x07", 7));
    EXPECT_EQ(reader.U16(), 0x0201);
    EXPECT_EQ(reader.U32(), 0x06050403u);
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.U16(), 0);  // one byte left: no partial value
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.U8(), 0);  // a failed reader stays failed
    EXPECT_TRUE(reader.Take(0).empty());
}

}  // namespace
}  // namespace vorlan::test
