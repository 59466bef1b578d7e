// SPDX-License-Identifier: MIT
// The engines' internals on their own: pattern matching, the judgement of entry
// names, the layout checks that refuse archives whole, and the extraction's
// own reading of stored and deflated data, held to libzip's where libzip
// would see the archive as the engine does.
#include <gtest/gtest.h>

#include <optional>

#include "engines/ArchiveLayout.h"
#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "engines/EntryOverlap.h"
#include "engines/EntryPatterns.h"
#include "tests/support/TestTools.h"
#include "tests/support/TwoWayReading.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::engine {
namespace {

using test::DeflatedEntry;
using test::ReadOutcome;
using test::StoredEntry;
using test::TwoWayReading;
using test::ZipArchive;
using test::ZipEntry;

TEST(PatternMatching, IgnoresCaseAndTreatsSeparatorsAlike) {
    EXPECT_TRUE(PatternMatches("META-INF\\manifest.mf", "META-INF/MANIFEST.MF"));
    EXPECT_TRUE(PatternMatches("meta-inf/MANIFEST.MF", "META-INF\\manifest.mf"));
    EXPECT_FALSE(PatternMatches("META-INF\\manifest.mf", "META-INF/MANIFEST.MF2"));
    EXPECT_FALSE(PatternMatches("manifest.mf", "META-INF/MANIFEST.MF"));
}

TEST(PatternMatching, WildcardsMatchRunsAndSingleCharacters) {
    EXPECT_TRUE(PatternMatches("*", "com/example/Main.class"));
    EXPECT_TRUE(PatternMatches("*.class", "com/example/Main.class"));  // "*" crosses separators
    EXPECT_TRUE(PatternMatches("com/*/M?in.CLASS", "com/example/Main.class"));
    EXPECT_TRUE(PatternMatches("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(PatternMatches("?.txt", "ab.txt"));
    EXPECT_FALSE(PatternMatches("*.class", "Main.classes"));
    EXPECT_TRUE(PatternMatches("", ""));
    EXPECT_FALSE(PatternMatches("", "a"));
    // Many stars against a long near-miss: backtracking stays linear.
    EXPECT_FALSE(PatternMatches("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(PatternMatching, ASelectionTakesExactNamesAndWildcardsAlike) {
    const PatternSelection selection({"META-INF\\MANIFEST.MF", "icons/a.png", "*.jad"});
    EXPECT_TRUE(selection.Selects("meta-inf/manifest.mf"));
    EXPECT_TRUE(selection.Selects("ICONS\\A.PNG"));
    EXPECT_TRUE(selection.Selects("x/suite.JAD"));
    EXPECT_FALSE(selection.Selects("META-INF/MANIFEST.MF2"));
    EXPECT_FALSE(selection.Selects("icons/b.png"));  // same length, another name
    EXPECT_FALSE(selection.Selects(""));
}

TEST(EntryNameJudgement, RefusesNamesThatLeaveTheTargetFolder) {
    const std::string withNul("good\0/../../evil", 16);
    for (const std::string& name : {std::string(""), std::string("../evil"), std::string("a/../../evil"),
                                    std::string("a\\..\\..\\evil"), std::string("..\\evil"), std::string("/etc/evil"),
                                    std::string("\\evil"), std::string("C:\\evil"), std::string("c:evil"), withNul,
                                    std::string("a/") + std::string(256, 'x'), std::string("./"), std::string("//")})
        EXPECT_FALSE(JudgeEntryName(name).has_value()) << name;
    std::string deep;
    for (int i = 0; i < 129; ++i) deep += "d/";
    EXPECT_FALSE(JudgeEntryName(deep + "f").has_value());
}

// What Java's decoder takes as an entry name, and what it refuses the whole
// archive for. Which bytes are well-formed UTF-8 is IsWellFormedUtf8's table
// (tests/zipformat); here that it is asked, and that NUL is refused besides.
TEST(EntryNameJudgement, JarNamesAreWellFormedUtf8WithoutNul) {
    for (const char* good : {"", "a/B.class", "d\xC3\xA9j\xC3\xA0"})
        EXPECT_TRUE(IsJarEntryName(good)) << EscapedEntryName(good);
    for (const char* bad : {"caf\xE9", "\xED\xA0\x80"}) EXPECT_FALSE(IsJarEntryName(bad)) << EscapedEntryName(bad);
    EXPECT_FALSE(IsJarEntryName(std::string("te\0t", 4)));
    EXPECT_EQ(EscapedEntryName(std::string("te\0t", 4)), "te\\0t");
    EXPECT_EQ(EscapedEntryName("api/\x8E\xC3\xA9"), "api/\\x8E\\xC3\\xA9");
    EXPECT_EQ(EscapedEntryName("d\xC3\xA9j\xC3\xA0"), "d\xC3\xA9j\xC3\xA0");
}

TEST(EntryNameJudgement, SplitsSafeNamesIntoComponents) {
    const auto manifest = JudgeEntryName("META-INF/MANIFEST.MF");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->components, (std::vector<std::string>{"META-INF", "MANIFEST.MF"}));
    EXPECT_FALSE(manifest->isFolder);
    const auto odd = JudgeEntryName("a//b\\.\\..c/d:e");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->components, (std::vector<std::string>{"a", "b", "..c", "d:e"}));
    const auto folder = JudgeEntryName("com\\example\\");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->isFolder);
    EXPECT_EQ(folder->components.size(), 2u);
}

class ArchiveLayoutTest : public ::testing::Test {
protected:
    ArchiveLayout layoutOf(const ZipArchive& archive) {
        open(archive, ArchiveReading::EveryEntry);
        return ReadArchiveLayout(*file_);
    }
    ArchiveLayout directoryLayoutOf(const ZipArchive& archive) {
        open(archive, ArchiveReading::SomeEntries);
        return ReadDirectoryLayout(*file_);
    }
    void open(const ZipArchive& archive, ArchiveReading reading) {
        const auto path = folder_ / "archive.zip";
        test::WriteFile(path, archive.bytes());
        file_ = ArchiveFile::OpenIfPresent(path.string(), reading);
    }
    test::TempDir folder_;
    std::unique_ptr<ArchiveFile> file_;
};

TEST_F(ArchiveLayoutTest, FindsTheArchiveBehindDataInFront) {
    ZipArchive archive{"#!/bin/sh\nexit 0\n", {StoredEntry("a.txt", "alpha"), StoredEntry("b.txt", "beta")}};
    const ArchiveLayout layout = layoutOf(archive);
    EXPECT_EQ(layout.end.archiveStart, 17u);
    EXPECT_EQ(layout.FrontLength(), 17u);
    ASSERT_EQ(layout.entries.size(), 2u);
    EXPECT_EQ(layout.entries[1].name, "b.txt");
    EXPECT_EQ(layoutOf(ZipArchive{"", {StoredEntry("a.txt", "alpha")}}).FrontLength(), 0u);
    // Without entries the data in front reaches to the directory.
    EXPECT_EQ(layoutOf(ZipArchive{"stub", {}}).FrontLength(), 4u);
}

TEST_F(ArchiveLayoutTest, AcceptsAnEmptyArchiveAndKeepsNamesWithNul) {
    EXPECT_TRUE(layoutOf(ZipArchive{}).entries.empty());
    const ArchiveLayout layout = layoutOf(ZipArchive{"", {StoredEntry(std::string("a\0b", 3), "x")}});
    EXPECT_TRUE(layout.entries.at(0).HoldsNul());
}

TEST_F(ArchiveLayoutTest, RefusesArchivesReadersWouldDisagreeOn) {
    ZipArchive duplicate{"", {StoredEntry("same.txt", "one"), StoredEntry("same.txt", "two")}};
    ZipArchive duplicateApart{
        "",
        {StoredEntry("same.txt", "one"), StoredEntry("b", "b"), StoredEntry("a/longer/name.txt", "c"),
         StoredEntry("sbme.txt", "d"), StoredEntry("same.txt", "two")}};
    ZipArchive sharedData{"", {StoredEntry("first.txt", "data"), StoredEntry("second.txt", "data")}};
    sharedData.entries[1].writeLocalRecord = false;  // its central record points at the first's bytes
    sharedData.entries[1].localHeaderOffset = 0;
    ZipArchive lyingSize{"", {StoredEntry("a.txt", "alpha")}};
    lyingSize.entries[0].uncompressedSize = 500;
    ZipArchive fewerAnnounced{"", {StoredEntry("a.txt", "a"), StoredEntry("b.txt", "b")}};
    fewerAnnounced.statedEntryCount = 1;
    ZipArchive moreAnnounced{"", {StoredEntry("a.txt", "a")}};
    moreAnnounced.statedEntryCount = 2;
    for (const ZipArchive* archive : {&duplicate, &duplicateApart, &sharedData, &fewerAnnounced, &moreAnnounced}) {
        EXPECT_THROW(layoutOf(*archive), ArchiveRefused);
        EXPECT_THROW(directoryLayoutOf(*archive), ArchiveRefused);  // the directory alone shows it
    }
    EXPECT_NO_THROW(layoutOf(lyingSize));  // a wrong size is the entry's own damage, not an overlap
    EXPECT_NO_THROW(directoryLayoutOf(lyingSize));
}

// The end record is searched in the last 64 KiB however the file is held:
// in its kept tail (reading some entries), in a window holding the whole
// file, or copied out of a large file's moving window.
TEST_F(ArchiveLayoutTest, EndRecordIsFoundAndJudgedAlikeHoweverTheFileIsHeld) {
    const std::string large(1536 * 1024, 'x');  // past the size read whole
    for (const std::string& padding : {std::string("small"), large}) {
        ZipArchive sound{"", {StoredEntry("pad.bin", padding), StoredEntry("a.txt", "alpha")}};
        sound.comment = "a comment";
        ZipArchive twoEnds = sound;
        twoEnds.comment = "note " + test::EndRecordBytes({.commentLength = 4}) + " end";
        const std::uint64_t expected = sound.bytes().size() - 22 - sound.comment.size();
        SCOPED_TRACE(padding.size());
        EXPECT_EQ(layoutOf(sound).end.recordPosition, expected);
        EXPECT_EQ(directoryLayoutOf(sound).end.recordPosition, expected);
        EXPECT_THROW(layoutOf(twoEnds), ArchiveRefused);
        EXPECT_THROW(directoryLayoutOf(twoEnds), ArchiveRefused);
    }
}

// b.txt's whole local record hides in a.txt's local extra field.
TEST_F(ArchiveLayoutTest, ReadingSomeEntriesJudgesTheLocalHeadersOfThoseRead) {
    const ZipArchive archive = test::EntryInsideAnotherLocalExtra();
    EXPECT_THROW(layoutOf(archive), ArchiveRefused);
    const ArchiveLayout layout = directoryLayoutOf(archive);
    ASSERT_EQ(layout.entries.size(), 2u);
    EXPECT_NO_THROW(CheckEntriesOwnBytes(*file_, layout.end, layout.entries, {1}));
    EXPECT_THROW(CheckEntriesOwnBytes(*file_, layout.end, layout.entries, {0}), ArchiveRefused);
    EXPECT_THROW(CheckEntriesOwnBytes(*file_, layout.end, layout.entries, {1, 0}), ArchiveRefused);
}

TEST_F(ArchiveLayoutTest, ReadingSomeEntriesGivesTheFileAsItIsAtEveryOffset) {
    // Larger than the kept tail and the window together, so that reads land
    // in the window, in the tail, across the two and past the end.
    std::string bytes(200 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 5);
    test::WriteFile(folder_ / "plain.bin", bytes);
    auto file = ArchiveFile::OpenIfPresent((folder_ / "plain.bin").string(), ArchiveReading::SomeEntries);
    const std::size_t tailStart = bytes.size() - 66 * 1024;
    const std::vector<std::pair<std::size_t, std::size_t>> reads{{0, 30},
                                                                 {100, 20000},
                                                                 {tailStart - 10, 20},
                                                                 {tailStart, 5000},
                                                                 {bytes.size() - 22, 22},
                                                                 {bytes.size() - 65557, 65557},
                                                                 {50000, 100000},
                                                                 {10, 30},
                                                                 {tailStart - 1, 1},
                                                                 {0, bytes.size()}};
    for (const auto& [offset, count] : reads) {
        std::string got(count, '\0');
        ASSERT_TRUE(file->ReadAt(offset, got.data(), count)) << offset << "+" << count;
        EXPECT_EQ(got, bytes.substr(offset, count)) << offset << "+" << count;
    }
    char byte = 0;
    EXPECT_FALSE(file->ReadAt(bytes.size() - 1, &byte, 2));
    EXPECT_FALSE(file->ReadAt(bytes.size() + 1, &byte, 0));
}

TEST_F(ArchiveLayoutTest, RefusesDataReachingIntoTheDirectoryAndNonArchives) {
    // The central record claims more stored bytes than lie before the directory.
    std::string patched = ZipArchive{"", {StoredEntry("a.txt", "alpha")}}.bytes();
    patched[patched.find("PK\x01\x02") + 20] = 100;
    test::WriteFile(folder_ / "overlong.zip", patched);
    auto file = ArchiveFile::OpenIfPresent((folder_ / "overlong.zip").string());
    EXPECT_THROW(ReadArchiveLayout(*file), ArchiveRefused);
    test::WriteFile(folder_ / "text.zip", std::string(100, 'x'));
    auto text = ArchiveFile::OpenIfPresent((folder_ / "text.zip").string());
    EXPECT_THROW(ReadArchiveLayout(*text), ArchiveRefused);
}

std::string MixedBytes(std::size_t count) {
    std::string bytes;
    std::uint32_t state = 12345;
    while (bytes.size() < count) {
        state = state * 1103515245u + 12345u;
        bytes += (state >> 24) % 3 == 0 ? static_cast<char>(state >> 16) : "abcdefgh"[(state >> 20) % 8];
    }
    return bytes;
}

// Stored and deflated data, good or damaged: read directly, it is what
// libzip's reading hands out, with the same verdict.
TEST_F(ArchiveLayoutTest, DirectReadingHandsOutWhatLibzipHandsOutGoodOrDamaged) {
    const std::string large = MixedBytes(300 * 1024);  // several pieces
    const std::string deflated = test::RawDeflate("deflated content, deflated content");
    std::vector<std::pair<const char*, ZipEntry>> cases = {
        {"stored", StoredEntry("s.txt", "stored content")},
        {"large deflated", DeflatedEntry("large.bin", large)},
        {"empty stored", StoredEntry("e.txt", "")},
        {"empty deflated", DeflatedEntry("e.bin", "")},
        {"stored, wrong CRC", StoredEntry("c.txt", "content")},
        {"deflated, wrong CRC", DeflatedEntry("c.bin", large)},
        {"deflated, more than stated", DeflatedEntry("bomb.bin", std::string(1 << 20, 'z'))},
        {"deflated, less than stated", DeflatedEntry("short.bin", "short")},
        {"stored, size beyond its data", StoredEntry("cut.txt", "cut")},
        {"deflated, stream cut short", DeflatedEntry("cut.bin", large)},
        {"deflated, not a deflate stream", DeflatedEntry("junk.bin", "x")},
        {"deflated with bytes after the stream", DeflatedEntry("tail.bin", "deflated content, deflated content")},
        {"nothing stored under a CRC", StoredEntry("folder/", "")},
    };
    cases[4].second.crc = 0x12345678;
    cases[5].second.crc = 0x12345678;
    cases[6].second.uncompressedSize = 10;
    cases[7].second.uncompressedSize = 500;
    cases[8].second.uncompressedSize = 70000;
    cases[9].second.data = test::RawDeflate(large).substr(0, 40000);
    cases[10].second.data = std::string(64, '\xFF');
    cases[11].second.data = deflated + "trailing bytes";
    cases[12].second.crc = 0x12345678;  // libzip checks nothing where nothing is stored
    for (const auto& [what, entry] : cases) {
        const ArchiveLayout layout = directoryLayoutOf(ZipArchive{"", {StoredEntry("first.txt", "before"), entry}});
        ASSERT_TRUE(layout.ReadAlikeByLibzip()) << what;
        TwoWayReading reading(*file_, layout);
        const std::optional<ReadOutcome> direct = reading.Directly(1);
        ASSERT_TRUE(direct) << what;
        EXPECT_EQ(*direct, reading.WithLibzip(1)) << what;
        const bool sound = std::string_view(what).find(',') == std::string_view::npos;
        EXPECT_EQ(direct->condition, sound ? DataCondition::Good : DataCondition::Damaged) << what;
    }
}

// The archive's own shape makes libzip refuse it or read other entries: no
// direct reading then, so that libzip's verdict stands.
TEST_F(ArchiveLayoutTest, DirectReadingIsLeftToLibzipWhereLibzipReadsTheArchiveOtherwise) {
    const auto plain = [] { return ZipArchive{"", {StoredEntry("a.txt", "alpha"), DeflatedEntry("b.bin", "beta")}}; };
    const ArchiveLayout layout = directoryLayoutOf(plain());
    EXPECT_TRUE(layout.ReadAlikeByLibzip());
    EXPECT_NO_THROW((TwoWayReading{*file_, layout}));  // libzip opens it and sees the same entries

    std::vector<std::pair<const char*, ZipArchive>> others;
    others.emplace_back("a size marked as in a Zip64 field", plain());
    others.back().second.entries[0].uncompressedSize = 0xFFFFFFFF;
    others.emplace_back("an extra field cut inside a block", plain());
    others.back().second.entries[0].centralExtra = std::string{'\x01', '\x99', '\x09', '\x00', 'a', 'b', 'c'};
    others.emplace_back("a Unicode name block", plain());
    others.back().second.entries[1].centralExtra = std::string("\x75\x70\x06\x00\x01\x00\x00\x00\x00z", 10);
    others.emplace_back("a name flagged UTF-8 that is not", plain());
    others.back().second.entries[0].name = "caf\xE9.txt";
    others.back().second.entries[0].flags = kFlagUtf8Name;
    others.emplace_back("a name flagged UTF-8 holding a control character", plain());
    others.back().second.entries[1].name = "b\x01.bin";
    others.back().second.entries[1].flags = kFlagUtf8Name;
    others.emplace_back("entry counts that differ", plain());
    others.back().second.endRecord.entriesThisDisk = 1;
    test::EndRecordFields pointingNowhere;
    pointingNowhere.centralDirSize = 0x7FFFFFFF;
    others.emplace_back("a second end record in the comment", plain());
    others.back().second.comment = test::EndRecordBytes(pointingNowhere);
    others.emplace_back("the comment's length past the file's end", plain());
    others.back().second.endRecord.commentLength = 40;
    for (const auto& [what, archive] : others) EXPECT_FALSE(directoryLayoutOf(archive).ReadAlikeByLibzip()) << what;
}

}  // namespace
}  // namespace vorlan::engine
