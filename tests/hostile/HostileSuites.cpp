// SPDX-License-Identifier: MIT
// A sound suite, and that suite with one defect each.
#include "tests/hostile/HostileSuites.h"

#include <cstdint>

#include "tests/hostile/HostileCases.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test::hostile {

namespace {

constexpr std::uint16_t kEncryptedFlag = 1;

ZipEntry Manifest() {
    return StoredEntry(kSuiteManifestName, SuiteManifestText());
}
ZipEntry GameClass() {
    return StoredEntry(kSuiteClassName, "class bytes of the game");
}

ZipEntry Deflated(ZipEntry entry, const std::string& actualContent) {
    entry.method = 8;
    entry.data = RawDeflate(actualContent);
    return entry;
}

std::string Suite(std::vector<ZipEntry> more = {}) {
    ZipArchive archive{"", {Manifest(), GameClass()}};
    for (ZipEntry& entry : more) archive.entries.push_back(std::move(entry));
    return archive.bytes();
}

std::string SuiteWithManifest(const ZipEntry& manifest) {
    return ZipArchive{"", {manifest, GameClass()}}.bytes();
}

std::string OtherManifestText() {
    return "Manifest-Version: 1.0\r\nMIDlet-Name: Impostor\r\n";
}

}  // namespace

std::string SuiteWithEntry(const std::string& name, const std::string& content) {
    return Suite({StoredEntry(name, content)});
}

std::string SuiteWithNulInName() {
    return SuiteWithEntry(std::string("game/ok.txt\0/../../../outside/nul.txt", 37));
}

std::string SuiteWithNameNotUtf8() {
    ZipArchive archive{"",
                       {Manifest(), GameClass(),
                        StoredEntry("game/\x8E"
                                    "ber.txt",
                                    "payload")}};
    for (ZipEntry& entry : archive.entries) entry.versionMadeBy = (3 << 8) | 20;
    return archive.bytes();
}

std::string SuiteWithLinkEntry() {
    return Suite({LinkEntry("game/link", "../../../outside")});
}

std::string SuiteWithFileThroughALink() {
    return Suite({LinkEntry("escape", "../../../outside"), StoredEntry("escape/planted.txt", "planted")});
}

std::string SuiteWithDuplicateManifest() {
    return Suite({StoredEntry(kSuiteManifestName, OtherManifestText())});
}

std::string SuiteWithDuplicateClass() {
    return Suite({StoredEntry(kSuiteClassName, "other class bytes")});
}

std::string SuiteWithManifestTwinInOtherCase() {
    return Suite({StoredEntry("meta-inf/manifest.mf", OtherManifestText())});
}

std::string SuiteWithClassTwinInOtherCase() {
    return Suite({StoredEntry("game/main.class", "lower-case twin")});
}

// A third central record pointing at the game class's local header: two
// entries share the same bytes.
std::string SuiteWithOverlappingEntries() {
    ZipEntry copy = GameClass();
    copy.name = "game/Copy.class";
    copy.writeLocalRecord = false;
    copy.localHeaderOffset = static_cast<std::uint32_t>(30 + SuiteManifestText().size() + 20);
    return Suite({copy});
}

std::string SuiteWithInflatingManifest() {
    return SuiteWithManifest(Deflated(Manifest(), SuiteManifestText() + std::string(1 << 20, ' ')));
}

std::string SuiteWithInflatingClass() {
    return Suite({Deflated(StoredEntry("game/Bomb.class", "tiny"), std::string(1 << 20, 'b'))});
}

std::string SuiteWithManifestStatedAt4GiB() {
    ZipEntry manifest = Manifest();
    manifest.uncompressedSize = 0xFFFFFFFEu;
    return SuiteWithManifest(manifest);
}

std::string SuiteWithManifestMarkedZip64WithoutExtra() {
    ZipEntry manifest = Manifest();
    manifest.uncompressedSize = 0xFFFFFFFFu;
    return SuiteWithManifest(manifest);
}

// The size in the header is the Zip64 marker; the real one is in the Zip64
// extra field of both headers (APPNOTE 4.5.3).
std::string SuiteWithManifestZip64Sizes() {
    ZipEntry manifest = Manifest();
    manifest.uncompressedSize = 0xFFFFFFFFu;
    std::string extra("\x01\x00\x08\x00", 4);
    std::uint64_t size = SuiteManifestText().size();
    for (int i = 0; i < 8; ++i, size >>= 8) extra += static_cast<char>(size & 0xFF);
    manifest.centralExtra = extra;
    manifest.localExtra = extra;
    return SuiteWithManifest(manifest);
}

std::string SuiteWithManifestCrcMismatch() {
    ZipEntry manifest = Manifest();
    manifest.crc = 0x12345678u;
    return SuiteWithManifest(manifest);
}

std::string SuiteWithEncryptedManifest() {
    ZipEntry manifest = Manifest();
    manifest.flags = kEncryptedFlag;
    manifest.data = std::string(12, '\x5A') + SuiteManifestText();  // an encryption header, then the text
    return SuiteWithManifest(manifest);
}

// The manifest's central record points into the game class's data, where no
// local header is.
std::string SuiteWithManifestLocalHeaderMissing() {
    ZipEntry manifest = Manifest();
    manifest.writeLocalRecord = false;
    manifest.localHeaderOffset = 30 + static_cast<std::uint32_t>(std::string(kSuiteClassName).size()) + 4;
    return ZipArchive{"", {GameClass(), manifest}}.bytes();
}

std::string SuiteWithManifestLocalExtraIntoDirectory() {
    std::string bytes = Suite();
    Put16At(bytes, 28, 0xFFF0);  // the extra field length of the first local header
    return bytes;
}

std::string SuiteWithManifestDeflateCutShort() {
    ZipEntry manifest = Deflated(Manifest(), SuiteManifestText());
    manifest.data.resize(manifest.data.size() / 2);
    return SuiteWithManifest(manifest);
}

std::string SuiteWithClassDataIntoDirectory() {
    std::string bytes = Suite();
    Put32At(bytes, CentralHeaderOffset(bytes, 1) + kCentralCompressedSize, 5000);
    return bytes;
}

std::string SuiteCutShort() {
    const std::string bytes = Suite();
    return bytes.substr(0, bytes.size() * 6 / 10);
}

std::string SuiteWithDirectoryOffsetPastTheEnd() {
    std::string bytes = Suite();
    Put32At(bytes, EndRecordOffset(bytes) + kEndDirectoryOffset, 0x7FFFFFF0u);
    return bytes;
}

std::string SuiteWithDirectorySizePastTheStart() {
    std::string bytes = Suite();
    Put32At(bytes, EndRecordOffset(bytes) + kEndDirectorySize, static_cast<std::uint32_t>(bytes.size() + 100));
    return bytes;
}

// Three entries, and an end record that counts `entries` of them.
std::string SuiteWithEndRecordCounting(std::uint16_t entries) {
    ZipArchive archive{"", {Manifest(), GameClass(), StoredEntry("game/Extra.class", "extra")}};
    archive.statedEntryCount = entries;
    return archive.bytes();
}

std::string SuiteWithDiskCountsDisagreeing() {
    std::string bytes = Suite();
    Put16At(bytes, EndRecordOffset(bytes) + kEndEntriesThisDisk, 1);
    return bytes;
}

// The comment holds a second end record, of an archive without entries,
// whose own comment runs to the end of the file.
std::string SuiteWithEmptyEndRecordInComment() {
    ZipArchive archive{"", {Manifest(), GameClass()}};
    const std::string after = " end";
    archive.comment = "note " + EndRecordBytes({.commentLength = static_cast<std::uint16_t>(after.size())}) + after;
    return archive.bytes();
}

// The comment holds a second end record that describes the directory's last
// record only (the manifest), consistent in every field: readers that take
// the last end record see a suite without its game class.
std::string SuiteWithPartialEndRecordInComment() {
    ZipArchive archive{"", {GameClass(), Manifest()}};
    const std::string before = "note ", after = " end";
    archive.comment = before + EndRecordBytes({}) + after;
    std::string bytes = archive.bytes();
    const std::size_t commentLength = archive.comment.size();
    const std::size_t fake = EndRecordOffset(bytes, commentLength) + kEndRecordLength + before.size();
    const std::size_t last = CentralHeaderOffset(bytes, 1, commentLength);
    Put16At(bytes, fake + kEndEntriesThisDisk, 1);
    Put16At(bytes, fake + kEndTotalEntries, 1);
    Put32At(bytes, fake + kEndDirectorySize, static_cast<std::uint32_t>(fake - last));
    Put32At(bytes, fake + kEndDirectoryOffset, static_cast<std::uint32_t>(last));
    Put16At(bytes, fake + kEndCommentLength, static_cast<std::uint16_t>(after.size()));
    return bytes;
}

// The comment holds a whole second archive view: a local record of its own,
// a directory listing the suite's two entries and it, and an end record for
// that directory. Readers that take the last end record see three entries;
// readers that walk the local records from the start, and the first end
// record, see two.
std::string SuiteWithSecondDirectoryInComment() {
    const std::string suite = ZipArchive{"", {Manifest(), GameClass()}}.bytes();
    const std::size_t firstEnd = EndRecordOffset(suite);
    const std::string hidden = ZipArchive{"", {StoredEntry("game/Hidden.class", "hidden")}}.bytes();
    const std::size_t hiddenDirectory = CentralHeaderOffset(hidden, 0);
    const std::size_t hiddenLocal = firstEnd + kEndRecordLength;
    std::string directory = suite.substr(CentralHeaderOffset(suite, 0), firstEnd - CentralHeaderOffset(suite, 0));
    std::string hiddenHeader = hidden.substr(hiddenDirectory, EndRecordOffset(hidden) - hiddenDirectory);
    Put32At(hiddenHeader, kCentralLocalHeaderOffset, static_cast<std::uint32_t>(hiddenLocal));
    directory += hiddenHeader;
    std::string comment = hidden.substr(0, hiddenDirectory);
    const std::size_t directoryAt = hiddenLocal + comment.size();
    comment += directory + EndRecordBytes({.entriesThisDisk = 3,
                                           .totalEntries = 3,
                                           .centralDirSize = static_cast<std::uint32_t>(directory.size()),
                                           .centralDirOffset = static_cast<std::uint32_t>(directoryAt)});
    std::string bytes = suite + comment;
    Put16At(bytes, firstEnd + kEndCommentLength, static_cast<std::uint16_t>(comment.size()));
    return bytes;
}

std::string SuiteWithZip64EndRecord() {
    return WithZip64EndRecord(Suite());
}

// The class's central record holds an extra field (an unknown one, id
// 0x4242) whose stated length runs past the end of the record's extra data.
std::string SuiteWithExtraFieldOverrunningItsRecord() {
    ZipEntry game = GameClass();
    game.centralExtra = std::string("\x42\x42\xF0\xFF", 4) + "four";
    return ZipArchive{"", {Manifest(), game}}.bytes();
}

std::string SuiteWithFolderEntryCarryingData() {
    return SuiteWithEntry("assets/", "data a folder cannot hold");
}

std::string SuiteWithDataInFront() {
    ZipArchive archive{"#!/bin/sh\necho a script in front\nexit 0\n", {Manifest(), GameClass()}};
    return archive.bytes();
}

std::string SuiteWithClassLocalHeaderSaying(LocalHeaderLie lie) {
    // Local header fields (APPNOTE 4.3.7): flags at 6, method at 8, CRC at
    // 14, sizes at 18 and 22, the name from 30.
    std::string bytes = Suite();
    const std::size_t local = Get32At(bytes, CentralHeaderOffset(bytes, 1) + kCentralLocalHeaderOffset);
    switch (lie) {
        case LocalHeaderLie::name:
            bytes[local + 30 + 5] = 'X';  // game/Xain.class
            break;
        case LocalHeaderLie::method:
            Put16At(bytes, local + 8, 8);  // deflated, over stored data
            break;
        case LocalHeaderLie::sizes:
            Put32At(bytes, local + 18, Get32At(bytes, local + 18) - 4);
            Put32At(bytes, local + 22, Get32At(bytes, local + 22) - 4);
            break;
        case LocalHeaderLie::crc:
            Put32At(bytes, local + 14, Get32At(bytes, local + 14) ^ 0x00FF00FF);
            break;
        case LocalHeaderLie::flags:
            Put16At(bytes, local + 6, kEncryptedFlag);
            break;
    }
    return bytes;
}

}  // namespace vorlan::test::hostile
