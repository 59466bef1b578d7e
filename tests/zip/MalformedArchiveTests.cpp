// SPDX-License-Identifier: MIT
// Broken and borderline archives, one defect per case, each built by the
// tests' zip writer: the reader opens it, finds no end record, or fails on a
// directory record, and never reads past what the end record allows. The
// defects a suite can carry through every path (counts, sizes and offsets
// the end record gets wrong, ...) are rows of the hostile corpus instead.
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "tests/support/ZipWriter.h"
#include "tests/zip/ZipTestSupport.h"

namespace vorlan::test {
namespace {

enum class Outcome { Opens, NotValid, ReadError };

struct MalformedCase {
    const char* name;
    std::function<std::string()> build;
    Outcome outcome;
    int entries = 0;                                                            // when it opens
    std::function<void(const TZip&, const std::string& bytes)> also = nullptr;  // more to check when it opens
};

void PrintTo(const MalformedCase& row, std::ostream* out) {
    *out << row.name;
}

ZipArchive TwoEntryArchive(const EndRecordFields& stated, const std::string& comment) {
    ZipArchive archive{"", {StoredEntry("a.txt", "alpha"), StoredEntry("b.txt", "beta")}};
    archive.comment = comment;
    archive.endRecord = stated;
    return archive;
}

std::string TwoEntries(const EndRecordFields& stated, const std::string& comment = "") {
    return TwoEntryArchive(stated, comment).bytes();
}

// An archive of one entry as the test sets it up, and a comment of 100 bytes.
std::string OneEntryWithComment(const ZipEntry& entry) {
    ZipArchive archive{"", {entry}};
    archive.comment = std::string(100, 'c');
    return archive.bytes();
}

// An archive whose single entry's name length is stated too large: the
// name would run into the end record (and the comment behind it holds enough
// bytes for a careless reader to take).
std::string NameRunningPastEndRecord() {
    ZipEntry entry = StoredEntry("a.txt", "");
    entry.nameLengthField = 40;
    return OneEntryWithComment(entry);
}

std::string ExtraRunningPastEndRecord() {
    ZipEntry entry = StoredEntry("a.txt", "");
    entry.extraLengthField = 30;
    return OneEntryWithComment(entry);
}

std::string WrongHeaderSignature() {
    ZipEntry entry = StoredEntry("a.txt", "");
    entry.centralSignature = 0x02014B51;
    return ZipArchive{"", {entry}}.bytes();
}

// A real end record of two entries, and in its comment a second one saying
// there are none: the later one is taken.
std::string CommentHoldingAnEndRecord() {
    return TwoEntries({}, "note " + EndRecordBytes({}) + " end");
}

// A directory of exactly `size` bytes made of 16 records with long comments.
std::string DirectoryOfSize(std::size_t size) {
    ZipArchive archive;
    const std::size_t perRecord = size / 16;
    for (int i = 0; i < 16; ++i) {
        ZipEntry entry = StoredEntry("f" + std::to_string(10 + i), "");
        const std::size_t extra = i == 15 ? size % 16 : 0;
        entry.comment.assign(perRecord + extra - 46 - entry.name.size(), 'k');
        archive.entries.push_back(entry);
    }
    return archive.bytes();
}

std::string Truncated(std::string bytes, std::size_t keep) {
    return bytes.substr(0, keep);
}

const MalformedCase kCases[] = {
    {"EmptyFile", [] { return std::string(); }, Outcome::NotValid},
    {"TwentyOneBytes", [] { return Truncated(ZipArchive().bytes(), 21); }, Outcome::NotValid},
    {"OnlyAnEndRecord", [] { return ZipArchive().bytes(); }, Outcome::Opens, 0},
    {"NoEndRecord", [] { return Truncated(TwoEntries({}), 60); }, Outcome::NotValid},
    {"CommentHoldingAnEndRecord", CommentHoldingAnEndRecord, Outcome::Opens, 0,
     [](const TZip& zip, const std::string& bytes) {
         EXPECT_EQ(static_cast<std::size_t>(zip.EndOfDirectory.EndRecordPosition), bytes.rfind("PK\x05\x06"));
     }},
    // The longest comment an end record can be found behind, and kept whole.
    {"CommentOf65513Bytes", [] { return TwoEntries({}, std::string(65513, 'c')); }, Outcome::Opens, 2,
     [](const TZip& zip, const std::string&) { EXPECT_EQ(zip.EndOfDirectory.Comment.size(), 65513u); }},
    {"CommentOf65514Bytes", [] { return TwoEntries({}, std::string(65514, 'c')); }, Outcome::NotValid},
    // The short comment is dropped, not read past the end of the file.
    {"CommentShorterThanStated", [] { return TwoEntries({.commentLength = 50}, "short"); }, Outcome::Opens, 2,
     [](const TZip& zip, const std::string&) { EXPECT_EQ(zip.EndOfDirectory.Comment, ""); }},
    {"TotalEntriesZeroWithADirectory", [] { return TwoEntries({.totalEntries = 0}); }, Outcome::Opens, 0},
    {"CountAboveTheRecordsWithLongComment", [] { return TwoEntries({.totalEntries = 3}, std::string(200, 'c')); },
     Outcome::ReadError},
    {"DirectorySizeTooLarge", [] { return TwoEntries({.centralDirSize = 110}); }, Outcome::ReadError},
    {"DirectorySizeTooSmall", [] { return TwoEntries({.centralDirSize = 50}); }, Outcome::ReadError},
    {"DirectorySizeNegative", [] { return TwoEntries({.centralDirSize = 0xFFFFFFF0u}); }, Outcome::ReadError},
    {"NameRunningPastEndRecord", NameRunningPastEndRecord, Outcome::ReadError},
    {"ExtraRunningPastEndRecord", ExtraRunningPastEndRecord, Outcome::ReadError},
    {"WrongHeaderSignature", WrongHeaderSignature, Outcome::ReadError},
    // Opens, and keeps the disk numbers for the operations to refuse.
    {"ThisDisk1000", [] { return TwoEntries({.thisDisk = 1000, .centralDirDisk = 1000}); }, Outcome::Opens, 2,
     [](const TZip& zip, const std::string&) {
         EXPECT_EQ(zip.EndOfDirectory.ThisDisk, 1000);
         EXPECT_EQ(zip.EndOfDirectory.CentralDirDisk, 1000);
     }},
    {"ThisDisk1001", [] { return TwoEntries({.thisDisk = 1001, .centralDirDisk = 1001}); }, Outcome::NotValid},
    {"CentralDirDisk1001", [] { return TwoEntries({.centralDirDisk = 1001}); }, Outcome::NotValid},
    {"DirectoryOf1024000Bytes", [] { return DirectoryOfSize(1024000); }, Outcome::Opens, 16},
    {"DirectoryOf1024001Bytes", [] { return DirectoryOfSize(1024001); }, Outcome::NotValid},
    {"Zip64MarkersInEndRecord",
     [] {
         return TwoEntries({.totalEntries = 0xFFFF, .centralDirSize = 0xFFFFFFFFu, .centralDirOffset = 0xFFFFFFFFu});
     },
     Outcome::ReadError},
    {"SpannedDirectoryOffsetOutsideFile",
     [] { return TwoEntries({.thisDisk = 1, .centralDirDisk = 1, .centralDirOffset = 0x7FFFFFF0u}); },
     Outcome::ReadError},
};

class MalformedArchiveTest : public ZipTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedArchiveTest, EndsInItsDocumentedOutcome) {
    const MalformedCase& c = GetParam();
    const std::string bytes = c.build();
    const std::string path = WriteArchive("case.zip", bytes);
    TZip zip;
    int changes = 0;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    std::string message;
    try {
        zip.SetZipFileName(path);
    } catch (const ZipException& error) {
        message = error.what();
    }
    switch (c.outcome) {
        case Outcome::Opens:
            EXPECT_EQ(message, "");
            EXPECT_EQ(zip.EntryCount(), c.entries);
            EXPECT_EQ(changes, 1);
            if (c.also) c.also(zip, bytes);
            break;
        case Outcome::NotValid:
            EXPECT_EQ(message, "\"" + path + "\"\nis not a valid Zip file.");
            break;
        case Outcome::ReadError:
            EXPECT_EQ(message, "Error reading 'CentralFileHeader'!");
            break;
    }
    if (c.outcome != Outcome::Opens) {
        EXPECT_EQ(zip.EntryCount(), 0);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(zip.ZipFileName(), path);
    }
    EXPECT_TRUE(app.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedArchiveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MalformedCase>& row) { return row.param.name; });

using ReaderDetailTest = ZipTest;

// Every byte of the directory and end record set to a few telling values in
// turn: whatever the reader makes of it, it ends in an outcome (run under the
// sanitizers, any read outside the file shows).
TEST_F(ReaderDetailTest, EveryCorruptedDirectoryByteEndsInAnOutcome) {
    ZipLayout layout;
    const std::string good = TwoEntryArchive({}, "comment").bytes(&layout);
    int opened = 0, refused = 0;
    for (std::size_t position = layout.centralDirOffset; position < good.size(); ++position) {
        for (char value : {'\x00', '\x7F', '\xFF'}) {
            std::string bad = good;
            bad[position] = value;
            const std::string path = WriteArchive("bad.zip", bad);
            TZip zip;
            try {
                zip.SetZipFileName(path);
                ++opened;
            } catch (const ZipException&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

// A sound archive behind 2 GiB of data in front: its positions do not fit
// the directory's 32-bit numbers, so it is refused rather than misread.
TEST_F(ReaderDetailTest, ArchiveEndingBeyond2GiBIsOutOfRange) {
    const fs::path path = dir / "huge.zip";
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(std::streamoff{1} << 31);  // a hole: nothing is written before it
        const std::string archive = TwoEntries({});
        out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
    }
    TZip zip;
    std::string message;
    try {
        zip.SetZipFileName(path.string());
    } catch (const ZipException& error) {
        message = error.what();
    }
    EXPECT_EQ(message, "\"" + path.string() + "\"\nis not a valid Zip file.");
}

TEST_F(ReaderDetailTest, FifoAndFolderAreNoArchivesAndDoNotBlock) {
    const fs::path fifo = dir / "pipe.zip";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TZip zip;
    EXPECT_THROW(zip.SetZipFileName(fifo.string()), ZipException);
    EXPECT_THROW(zip.SetZipFileName(dir.str()), ZipException);
}

}  // namespace
}  // namespace vorlan::test
