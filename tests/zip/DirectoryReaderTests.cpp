// SPDX-License-Identifier: MIT
// The directory reader on archives written by real tools, and on archives of
// the tests' writer where a single field decides: names, code pages, data in
// front of the archive, the created empty archive, events.
#include <sys/stat.h>

#include <algorithm>

#include "tests/support/ZipWriter.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/CodePages.h"

namespace vorlan::test {
namespace {

using DirectoryReaderTest = ZipTest;

const Files kSuite{{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-1: Snake, , snake.Main\r\n"},
                   {"snake/Main.class", std::string(300, 'x')},
                   {"icon.png", "PNG"},
                   {"ä.txt", "a"}};

class RealToolTest : public DirectoryReaderTest, public ::testing::WithParamInterface<std::string> {};

// Read with an OEM code page in force: jar's archive is an OEM one, and its
// non-ASCII name, flagged UTF-8, must still come out intact.
TEST_P(RealToolTest, ListsEveryEntryWithBackslashes) {
    const std::string archive = (dir / "suite.jar").string();
    PackWith(GetParam(), kSuite, archive);
    TZip zip;
    SetOemCodePage("CP437");
    zip.SetZipFileName(archive);
    SetOemCodePage("");
    std::vector<std::string> names = EntryNames(zip);
    std::erase(names, "META-INF\\");  // jar and zip also store the folder
    std::erase(names, "snake\\");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"META-INF\\MANIFEST.MF", "icon.png", "snake\\Main.class", "ä.txt"}));
    EXPECT_EQ(zip.EndOfDirectory.EndRecordPosition, static_cast<std::int32_t>(fs::file_size(archive) - 22));
    EXPECT_EQ(zip.EndOfDirectory.TotalEntries, zip.EntryCount());
    // The JDK's jar writes as an MS-DOS host; Info-ZIP and Python as Unix hosts.
    EXPECT_EQ(zip.OemNames, GetParam() == "jar");
}

INSTANTIATE_TEST_SUITE_P(Tools, RealToolTest, ::testing::Values("jar", "zip", "python"));

TEST_F(DirectoryReaderTest, ListsInfoZipArchiveWithCommentAndEntrySizes) {
    const std::string archive = (dir / "commented.zip").string();
    PackWith("zip", kSuite, archive);
    RunCommand({"sh", "-c", "echo 'Game pack' | zip -z -q " + archive});
    TZip zip;
    zip.SetZipFileName(archive);
    EXPECT_EQ(zip.EndOfDirectory.Comment, "Game pack");
    EXPECT_LT(zip.EndOfDirectory.EndRecordPosition, static_cast<std::int32_t>(fs::file_size(archive) - 22));
    TFileInfo info;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        zip.GetEntry(i, info);
        if (info.FileName == "snake\\Main.class") break;
    }
    EXPECT_EQ(info.UncompressedSize, 300u);
    EXPECT_EQ(info.Signature, kCentralHeaderSignature);
}

TEST_F(DirectoryReaderTest, MissingArchiveIsCreatedEmpty) {
    const std::string archive = (dir / "new.jar").string();
    int changes = 0;
    TZip zip;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    const mode_t savedMask = umask(022);
    zip.SetZipFileName(archive);
    umask(savedMask);
    EXPECT_EQ(ReadFile(archive), EndRecordBytes({}));
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.EndOfDirectory.EndRecordPosition, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(fs::status(archive).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(DirectoryReaderTest, ArchiveThatCannotBeCreatedIsReported) {
    TZip zip;
    fs::create_symlink(dir / "nowhere" / "target.jar", dir / "dangling.jar");
    for (const fs::path& path : {dir / "no-such-folder" / "a.jar", dir / "dangling.jar"}) {
        try {
            zip.SetZipFileName(path.string());
            ADD_FAILURE() << path << " opened";
        } catch (const ZipException& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to create \n\"" + path.string() + "\"");
        }
    }
    EXPECT_FALSE(fs::exists(dir / "nowhere"));  // the link was not written through
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
              1);  // no temporary left
}

TEST_F(DirectoryReaderTest, OpeningResetsTheComponent) {
    TZip zip;
    zip.SetZipFileName(WriteArchive("a.zip", [] {
        ZipArchive archive{"", {StoredEntry("x", "1")}};
        archive.comment = "note";
        return archive.bytes();
    }()));
    zip.Password = "secret";
    zip.SetZipFileName("");
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_EQ(zip.Password, "");
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.EndOfDirectory.Comment, "");
    EXPECT_EQ(zip.EndOfDirectory.EndRecordPosition, -1);
    EXPECT_EQ(zip.EndOfDirectory.Signature, kEndRecordSignature);
}

TEST_F(DirectoryReaderTest, DataInFrontIsSkippedAndOffsetsKeptAsStored) {
    const std::string bytes =
        ZipArchive{"#!/bin/sh\nexec java -jar \"$0\"\n", {StoredEntry("a.txt", "alpha"), StoredEntry("b/c.txt", "c")}}
            .bytes();
    TZip zip;
    zip.SetZipFileName(WriteArchive("stub.jar", bytes));
    ASSERT_EQ(EntryNames(zip), (std::vector<std::string>{"a.txt", "b\\c.txt"}));
    TFileInfo info;
    zip.GetEntry(0, info);
    EXPECT_EQ(info.LocalHeaderOffset, 0u);
    EXPECT_EQ(info.UncompressedSize, 5u);
}

TEST_F(DirectoryReaderTest, EntryWithEmptyNameAndRawExtraField) {
    ZipEntry entry = StoredEntry("", "");
    entry.centralExtra = std::string("\x55\x54\x05\x00\x01\x00\x00\x00\x00", 9);
    entry.comment = "first";
    entry.flags = 1;
    TZip zip;
    zip.SetZipFileName(WriteArchive("odd.zip", ZipArchive{"", {entry}}.bytes()));
    TFileInfo info;
    zip.GetEntry(0, info);
    EXPECT_EQ(info.FileName, "");
    EXPECT_EQ(info.ExtraField, entry.centralExtra);
    EXPECT_EQ(info.FileComment, "first");
    EXPECT_TRUE(info.Encrypted);
}

// "привет" in CP866, as a Russian DOS archiver stored it.
const std::string kCp866Name = "\xAF\xE0\xA8\xA2\xA5\xE2.txt";
const std::string kUtf8Name = "привет.txt";

// Two records, the first written on `host`, the second on Unix; the
// archive's comment is the name too.
std::string ArchiveWrittenOn(std::uint8_t host, const std::string& name) {
    ZipEntry first = StoredEntry(name, "");
    first.versionMadeBy = static_cast<std::uint16_t>(host << 8 | 20);
    ZipEntry second = first;
    second.versionMadeBy = static_cast<std::uint16_t>(3 << 8 | 20);  // a later record never changes the decision
    ZipArchive archive{"", {first, second}};
    archive.comment = name;
    return archive.bytes();
}

// Which hosts and writer versions make an OEM archive is HasOemNames's table
// (tests/zipformat); here one OEM host (MS-DOS) and one other (Unix).
TEST_F(DirectoryReaderTest, FirstRecordDecidesForTheWholeArchive) {
    SetOemCodePage("CP866");
    for (const auto& [host, oem] : {std::pair<std::uint8_t, bool>{0, true}, {3, false}}) {
        SCOPED_TRACE(static_cast<int>(host));
        TZip zip;
        zip.SetZipFileName(WriteArchive("oem.zip", ArchiveWrittenOn(host, kCp866Name)));
        EXPECT_EQ(zip.OemNames, oem);
        const std::string expected = oem ? kUtf8Name : kCp866Name;
        EXPECT_EQ(EntryNames(zip), (std::vector<std::string>{expected, expected}));
        // The comment was read before the first record decided: never converted on open.
        EXPECT_EQ(zip.EndOfDirectory.Comment, kCp866Name);
    }
    SetOemCodePage("");
}

TEST_F(DirectoryReaderTest, NamesConvertOnlyForOemArchives) {
    SetOemCodePage("CP866");
    TZip zip;
    EXPECT_EQ(AnsiToOemName(zip, kUtf8Name), kUtf8Name);
    zip.OemNames = true;
    EXPECT_EQ(AnsiToOemName(zip, kUtf8Name), kCp866Name);
    EXPECT_EQ(OemToAnsiName(zip, kCp866Name), kUtf8Name);
    SetOemCodePage("");
}

}  // namespace
}  // namespace vorlan::test
