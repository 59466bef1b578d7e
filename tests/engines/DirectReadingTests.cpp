// SPDX-License-Identifier: MIT
// An extraction reads stored and deflated data itself when libzip would see
// the archive as the engine does: the data it hands out, damaged or not, is
// what libzip's reading hands out, and an archive libzip reads otherwise or
// refuses is left to libzip.
#include <gtest/gtest.h>

#include <optional>

#include "engines/ArchiveLayout.h"
#include "engines/EngineErrors.h"
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

class DirectReading : public ::testing::Test {
protected:
    void open(const ZipArchive& archive) {
        const auto path = folder_ / "archive.zip";
        test::WriteFile(path, archive.bytes());
        file_ = ArchiveFile::OpenIfPresent(path.string(), ArchiveReading::SomeEntries);
        layout_ = ReadDirectoryLayout(*file_);
    }
    // Whether libzip opens the archive and sees the entries read here.
    bool libzipAgrees() {
        try {
            TwoWayReading reading(*file_, layout_);
            return true;
        } catch (const ArchiveRefused&) {
            return false;
        }
    }

    test::TempDir folder_;
    std::unique_ptr<ArchiveFile> file_;
    ArchiveLayout layout_;
};

std::string MixedBytes(std::size_t count) {
    std::string bytes;
    std::uint32_t state = 12345;
    while (bytes.size() < count) {
        state = state * 1103515245u + 12345u;
        bytes += (state >> 24) % 3 == 0 ? static_cast<char>(state >> 16) : "abcdefgh"[(state >> 20) % 8];
    }
    return bytes;
}

TEST_F(DirectReading, HandsOutWhatLibzipHandsOutGoodOrDamaged) {
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
        ZipArchive archive{"", {StoredEntry("first.txt", "before"), entry}};
        open(archive);
        ASSERT_TRUE(layout_.ReadAlikeByLibzip()) << what;
        TwoWayReading reading(*file_, layout_);
        const std::optional<ReadOutcome> direct = reading.Directly(1);
        ASSERT_TRUE(direct) << what;
        EXPECT_EQ(*direct, reading.WithLibzip(1)) << what;
        const bool sound = std::string_view(what).find(',') == std::string_view::npos;
        EXPECT_EQ(direct->condition, sound ? DataCondition::Good : DataCondition::Damaged) << what;
    }
}

// The archive's own shape makes libzip refuse it or read other entries: no
// direct reading then, so that libzip's verdict stands.
TEST_F(DirectReading, IsLeftToLibzipWhereLibzipReadsTheArchiveOtherwise) {
    const auto plain = [] { return ZipArchive{"", {StoredEntry("a.txt", "alpha"), DeflatedEntry("b.bin", "beta")}}; };
    open(plain());
    EXPECT_TRUE(layout_.ReadAlikeByLibzip());
    EXPECT_TRUE(libzipAgrees());

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
    for (const auto& [what, archive] : others) {
        open(archive);
        EXPECT_FALSE(layout_.ReadAlikeByLibzip()) << what;
    }
}

}  // namespace
}  // namespace vorlan::engine
