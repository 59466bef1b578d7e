// SPDX-License-Identifier: MIT
// The directory walker over archives real tools wrote (JDK jar, Info-ZIP
// zip, Python zipfile), and over records the tests' writer made with one
// defect per row: whole central records with their variable parts and Zip64
// values, local records read through a source, and what a local record says
// otherwise than its central record.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>

#include "tests/support/TestTools.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"
#include "zipformat/DirectoryWalker.h"
#include "zipformat/EndRecords.h"
#include "zipformat/LittleEndianReader.h"
#include "zipformat/LocalRecords.h"
#include "zipformat/NameDecoding.h"

namespace vorlan::test {
namespace {

// An archive's bytes as a record source.
class StringSource final : public RecordSource {
public:
    explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        std::memcpy(destination, bytes_.data() + offset, count);
        return true;
    }

private:
    std::string bytes_;
};

const Files kSuite{{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-1: Snake, , snake.Main\r\n"},
                   {"snake/Main.class", std::string(300, 'x')},
                   {"icon.png", "PNG"}};

class RealToolRecordsTest : public ::testing::TestWithParam<std::string> {
protected:
    TempDir dir_;
};

// The directory ends where the end record begins, and each record leads to
// a local record that agrees with it.
TEST_P(RealToolRecordsTest, EveryRecordIsWalkedAndItsLocalRecordAgrees) {
    const auto path = dir_ / "suite.jar";
    PackWith(GetParam(), kSuite, path);
    const std::string bytes = ReadFile(path);
    const Decoded<EndRecord> end = DecodeEndRecord(AsBytes(bytes).subspan(bytes.size() - kEndRecordSize));
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->DefersToZip64());
    EXPECT_EQ(end->thisDisk, 0);
    EXPECT_EQ(end->entriesThisDisk, end->totalEntries);
    ASSERT_EQ(std::size_t{end->directoryOffset} + end->directorySize, bytes.size() - kEndRecordSize);
    CentralDirectoryWalker walker(AsBytes(bytes).subspan(end->directoryOffset, end->directorySize));
    StringSource source(bytes);
    LocalRecordReader locals(source);
    std::vector<std::uint16_t> versions;
    for (int i = 0; i < end->totalEntries; ++i) {
        const Decoded<CentralRecord> record = walker.Next();
        ASSERT_TRUE(record) << "record " << i;
        SCOPED_TRACE(record->name);
        versions.push_back(record->header.versionMadeBy);
        const Decoded<LocalRecord> local = locals.Read(record->localHeaderOffset);
        ASSERT_TRUE(local);
        EXPECT_EQ(FindDisagreement(*local, record->Facts()), LocalDisagreement::None);
        EXPECT_EQ(local->header.dosTime, record->header.dosTime);
        EXPECT_EQ(local->header.dosDate, record->header.dosDate);
        // jar writes a manifest of its own making from the one given.
        const auto content = kSuite.find(std::string(record->name));
        if (content != kSuite.end() && record->name != "META-INF/MANIFEST.MF") {
            EXPECT_EQ(record->header.crc, Crc32(content->second));
            EXPECT_EQ(record->uncompressedSize, content->second.size());
        }
    }
    EXPECT_GE(versions.size(), kSuite.size());
    EXPECT_TRUE(walker.Rest().empty());
    // The JDK's jar writes as an MS-DOS host; Info-ZIP and Python as Unix hosts.
    EXPECT_EQ(HasOemNames(versions.front()), GetParam() == "jar");
}

INSTANTIATE_TEST_SUITE_P(Tools, RealToolRecordsTest, ::testing::Values("jar", "zip", "python"));

std::string DirectoryOf(const ZipArchive& archive) {
    ZipLayout layout;
    const std::string bytes = archive.bytes(&layout);
    return bytes.substr(layout.centralDirOffset, layout.centralDirSize);
}

ZipEntry Commented(const std::string& name, const std::string& content) {
    ZipEntry entry = StoredEntry(name, content);
    entry.centralExtra = std::string("\x0A\x00\x02\x00xy", 6);
    entry.comment = "comment of " + name;
    return entry;
}

TEST(DirectoryWalker, GivesWholeRecordsOneAfterAnotherAndStopsAtTheEnd) {
    const std::string directory =
        DirectoryOf(ZipArchive{"stub", {Commented("a/b.txt", "hello"), Commented("c.class", "cafe")}});
    CentralDirectoryWalker walker(AsBytes(directory));
    for (const char* name : {"a/b.txt", "c.class"}) {
        const auto before = walker.Rest().size();
        const Decoded<CentralRecord> record = walker.Next();
        ASSERT_TRUE(record) << name;
        EXPECT_EQ(record->name, name);
        EXPECT_EQ(record->extra, std::string("\x0A\x00\x02\x00xy", 6));
        EXPECT_EQ(record->comment, std::string("comment of ") + name);
        EXPECT_EQ(record->Size(), 46 + record->name.size() + 6 + record->comment.size());
        EXPECT_EQ(walker.Rest().size(), before - record->Size());
        EXPECT_FALSE(record->zip64CutShort);
    }
    EXPECT_TRUE(walker.Rest().empty());
    EXPECT_FALSE(walker.AnotherRecordFollows());
    EXPECT_FALSE(walker.Next());

    // Records past those an end record counts are seen as such.
    CentralDirectoryWalker counting(AsBytes(directory));
    ASSERT_TRUE(counting.Next());
    EXPECT_TRUE(counting.AnotherRecordFollows());
}

struct BrokenRecord {
    const char* name;
    std::function<std::string()> directory;
    RecordFault fault;
};

void PrintTo(const BrokenRecord& row, std::ostream* out) {
    *out << row.name;
}

std::string DirectoryWith(const std::function<void(ZipEntry&)>& breakIt) {
    ZipEntry entry = Commented("name.txt", "content");
    breakIt(entry);
    return DirectoryOf(ZipArchive{"", {entry}});
}

class BrokenRecordTest : public ::testing::TestWithParam<BrokenRecord> {};

// No record comes of the bytes, and the walker stays where it was.
TEST_P(BrokenRecordTest, GivesItsFaultAndLeavesTheWalkerInPlace) {
    const std::string directory = GetParam().directory();
    CentralDirectoryWalker walker(AsBytes(directory));
    const Decoded<CentralRecord> record = walker.Next();
    ASSERT_FALSE(record);
    EXPECT_EQ(record.Fault(), GetParam().fault);
    EXPECT_EQ(walker.Rest().size(), directory.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BrokenRecordTest,
    ::testing::Values(BrokenRecord{"NameRunsPastTheDirectory",
                                   [] { return DirectoryWith([](ZipEntry& e) { e.nameLengthField = 200; }); },
                                   RecordFault::Truncated},
                      BrokenRecord{"ExtraFieldRunsPastTheDirectory",
                                   [] { return DirectoryWith([](ZipEntry& e) { e.extraLengthField = 200; }); },
                                   RecordFault::Truncated},
                      BrokenRecord{"CommentRunsPastTheDirectory",
                                   [] { return DirectoryWith([](ZipEntry& e) { e.commentLengthField = 200; }); },
                                   RecordFault::Truncated},
                      BrokenRecord{"FixedPartCutShort", [] { return DirectoryWith([](ZipEntry&) {}).substr(0, 45); },
                                   RecordFault::Truncated},
                      BrokenRecord{"WrongSignature",
                                   [] { return DirectoryWith([](ZipEntry& e) { e.centralSignature = 0x02014B51; }); },
                                   RecordFault::WrongSignature},
                      BrokenRecord{"FewerBytesThanASignature", [] { return std::string("PK\x01", 3); },
                                   RecordFault::WrongSignature},
                      BrokenRecord{"NoBytes", [] { return std::string(); }, RecordFault::WrongSignature}),
    [](const auto& row) { return std::string(row.param.name); });

// Sizes and offset marked as all ones come from the Zip64 extra field, in
// the order uncompressed size, compressed size, offset, each present only
// when marked.
struct Zip64Row {
    const char* name;
    bool sizesMarked;
    bool offsetMarked;
    std::string block;  // the Zip64 extra block's data; none when empty
    std::uint64_t size, compressedSize, offset;
    bool cutShort;
};

std::string U64(std::uint64_t value) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

class Zip64ValuesTest : public ::testing::TestWithParam<Zip64Row> {};

TEST_P(Zip64ValuesTest, WidenWhatTheFixedPartMarks) {
    const Zip64Row& row = GetParam();
    ZipEntry entry = StoredEntry("big.bin", "data");
    if (!row.block.empty())
        entry.centralExtra = std::string("\x01\x00", 2) + static_cast<char>(row.block.size()) + '\0' + row.block;
    std::string directory = DirectoryOf(ZipArchive{"", {entry}});
    if (row.sizesMarked) {
        Put32At(directory, kCentralCompressedSize, kInZip64Extra);
        Put32At(directory, kCentralUncompressedSize, kInZip64Extra);
    }
    if (row.offsetMarked) Put32At(directory, kCentralLocalHeaderOffset, kInZip64Extra);
    const Decoded<CentralRecord> record = DecodeCentralRecord(AsBytes(directory));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->uncompressedSize, row.size);
    EXPECT_EQ(record->compressedSize, row.compressedSize);
    EXPECT_EQ(record->localHeaderOffset, row.offset);
    EXPECT_EQ(record->zip64CutShort, row.cutShort);
    EXPECT_EQ(record->header.compressedSize, row.sizesMarked ? kInZip64Extra : 4u);  // as stored
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Zip64ValuesTest,
    ::testing::Values(Zip64Row{"NothingMarked", false, false, U64(7) + U64(8), 4, 4, 0, false},
                      Zip64Row{"SizesMarked", true, false, U64(5'000'000'000) + U64(6'000'000'000), 5'000'000'000,
                               6'000'000'000, 0, false},
                      Zip64Row{"OffsetMarkedAlone", false, true, U64(0x1'0000'0000), 4, 4, 0x1'0000'0000, false},
                      Zip64Row{"AllMarked", true, true, U64(1) + U64(2) + U64(3), 1, 2, 3, false},
                      Zip64Row{"BlockEndsBeforeTheOffset", true, true, U64(1) + U64(2), 1, 2, 0, true},
                      Zip64Row{"MarkedWithoutABlock", true, false, "", kInZip64Extra, kInZip64Extra, 0, false}),
    [](const auto& row) { return std::string(row.param.name); });

// One entry whose local record an edit makes say otherwise, and what the
// comparison finds first.
struct LocalRow {
    const char* name;
    std::function<void(ZipEntry&)> entry;
    std::function<void(std::string& archive)> editLocal;
    LocalDisagreement expected;
};

void PrintTo(const LocalRow& row, std::ostream* out) {
    *out << row.name;
}

constexpr std::size_t kLocalFlags = 6, kLocalMethod = 8, kLocalCrc = 14, kLocalCompressedSize = 18, kLocalSize = 22,
                      kLocalName = 30;

class LocalAgreementTest : public ::testing::TestWithParam<LocalRow> {};

TEST_P(LocalAgreementTest, FindsTheFirstFieldThatDisagrees) {
    const LocalRow& row = GetParam();
    ZipEntry entry = StoredEntry("game/Main.class", "class bytes");
    row.entry(entry);
    std::string archive = ZipArchive{"", {entry}}.bytes();
    row.editLocal(archive);
    const Decoded<CentralRecord> central =
        DecodeCentralRecord(AsBytes(archive).subspan(CentralHeaderOffset(archive, 0)));
    ASSERT_TRUE(central);
    StringSource source(archive);
    LocalRecordReader reader(source);
    const Decoded<LocalRecord> local = reader.Read(central->localHeaderOffset);
    ASSERT_TRUE(local);
    EXPECT_EQ(local->Size(), kLocalHeaderSize + entry.name.size() + entry.localExtra.size());
    EXPECT_EQ(FindDisagreement(*local, central->Facts()), row.expected)
        << DisagreementName(FindDisagreement(*local, central->Facts()));
}

const auto kAsWritten = [](ZipEntry&) {};
const auto kUnchanged = [](std::string&) {};

INSTANTIATE_TEST_SUITE_P(
    Rows, LocalAgreementTest,
    ::testing::Values(
        LocalRow{"Agrees", kAsWritten, kUnchanged, LocalDisagreement::None},
        LocalRow{"Name", kAsWritten, [](std::string& a) { a[kLocalName] = 'G'; }, LocalDisagreement::Name},
        LocalRow{"Method", kAsWritten, [](std::string& a) { Put16At(a, kLocalMethod, 8); }, LocalDisagreement::Method},
        LocalRow{"UtfFlag", kAsWritten, [](std::string& a) { Put16At(a, kLocalFlags, kFlagUtf8Name); },
                 LocalDisagreement::Flags},
        LocalRow{"DeflateOptionFlagSaysNothing", kAsWritten, [](std::string& a) { Put16At(a, kLocalFlags, 2); },
                 LocalDisagreement::None},
        LocalRow{"Crc", kAsWritten, [](std::string& a) { Put32At(a, kLocalCrc, 1); }, LocalDisagreement::Crc},
        LocalRow{"CompressedSize", kAsWritten, [](std::string& a) { Put32At(a, kLocalCompressedSize, 1); },
                 LocalDisagreement::CompressedSize},
        LocalRow{"Size", kAsWritten, [](std::string& a) { Put32At(a, kLocalSize, 1); },
                 LocalDisagreement::UncompressedSize},
        LocalRow{"ZerosBeforeADataDescriptor", [](ZipEntry& e) { e.flags = kFlagDataDescriptor; },
                 [](std::string& a) {
                     for (std::size_t field : {kLocalCrc, kLocalCompressedSize, kLocalSize}) Put32At(a, field, 0);
                 },
                 LocalDisagreement::None},
        LocalRow{"Zip64SizesInTheLocalExtra",
                 [](ZipEntry& e) { e.localExtra = std::string("\x01\x00\x10\x00", 4) + U64(11) + U64(11); },
                 [](std::string& a) {
                     Put32At(a, kLocalCompressedSize, kInZip64Extra);
                     Put32At(a, kLocalSize, kInZip64Extra);
                 },
                 LocalDisagreement::None},
        LocalRow{"Zip64SizesMarkedWithoutTheExtra", kAsWritten,
                 [](std::string& a) { Put32At(a, kLocalSize, kInZip64Extra); }, LocalDisagreement::Sizes}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LocalRecordReader, ReadsEachRecordWholeAndFaultsWhereNoneCanBeRead) {
    ZipLayout layout;
    ZipEntry withExtra = StoredEntry("b.txt", "second");
    withExtra.localExtra = "local extra";
    const std::string archive = ZipArchive{"", {StoredEntry("a.txt", "first"), withExtra}}.bytes(&layout);
    StringSource source(archive);
    LocalRecordReader reader(source);
    const Decoded<LocalRecord> second = reader.Read(layout.localHeaderOffsets[1]);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->name, "b.txt");
    EXPECT_EQ(second->extra, "local extra");
    EXPECT_EQ(archive.substr(layout.localHeaderOffsets[1] + second->Size(), 6), "second");
    const Decoded<LocalRecord> first = reader.Read(layout.localHeaderOffsets[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, "a.txt");
    EXPECT_TRUE(first->extra.empty());

    EXPECT_EQ(reader.Read(archive.size()).Fault(), RecordFault::Truncated);
    EXPECT_EQ(reader.Read(layout.centralDirOffset).Fault(), RecordFault::WrongSignature);
    // A name running past the end of the file.
    StringSource cut(archive.substr(0, layout.localHeaderOffsets[0] + kLocalHeaderSize + 2));
    EXPECT_EQ(LocalRecordReader(cut).Read(layout.localHeaderOffsets[0]).Fault(), RecordFault::Truncated);
}

}  // namespace
}  // namespace vorlan::test
