// SPDX-License-Identifier: MIT
// The add engine on JARs made by real tools: what it adds and replaces, how
// it keeps what it does not touch, and what Java and unzip read back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/engines/ArchiveInspection.h"
#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

const std::string kManifest = "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\nMIDlet-1: Snake, , snake.Main\r\n\r\n";
const std::string kNewManifest =
    "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\nMIDlet-1: Snake, , snake.Main\r\n"
    "MIDlet-Vendor: Vorlan\r\n\r\n";
const Files kSuite = {{"META-INF/MANIFEST.MF", kManifest},
                      {"snake/Main.class", std::string(3000, 'M') + "main"},
                      {"snake/Board.class", "board bytes"}};

class AddIntoTool : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        PackWith(GetParam(), kSuite, jar_);
        fs::create_directory(scratch_);
    }
    TempDir work_;
    fs::path jar_ = work_ / "Snake.jar";
    fs::path scratch_ = work_ / "scratch";
    CallbackScript script_;
};

TEST_P(AddIntoTool, ReplacesInPlaceAndAppendsTheRest) {
    const InspectedArchive before = InspectArchive(jar_);
    WriteFile(scratch_ / "meta-inf/manifest.mf", kNewManifest);
    WriteFile(scratch_ / "javax/microedition/Api.class", "api class");
    WriteFile(scratch_ / "readme.txt", "r");
    EXPECT_EQ(RunAdd({jar_, scratch_}, script_), 3);

    const InspectedArchive after = InspectArchive(jar_);
    std::vector<std::string> expected = before.names();
    expected.insert(expected.end(), {"readme.txt", "javax/microedition/Api.class"});
    EXPECT_EQ(after.names(), expected);  // the manifest kept its name and place
    for (const char* name : {"snake/Main.class", "snake/Board.class"})
        EXPECT_EQ(after.entry(name).storedDigest, before.entry(name).storedDigest) << name;
    EXPECT_NE(after.entry("META-INF/MANIFEST.MF").storedDigest, before.entry("META-INF/MANIFEST.MF").storedDigest);
    const InspectedEntry& added = after.entry("javax/microedition/Api.class");
    EXPECT_EQ(added.hostSystem, 0u);
    EXPECT_EQ(added.externalAttributes, 0u);
    EXPECT_EQ(added.method, 8u);
    EXPECT_EQ(after.entry("META-INF/MANIFEST.MF").centralExtraIds.find("5455"), std::string::npos);
    EXPECT_EQ(after.entry("META-INF/MANIFEST.MF").localExtraIds.find("5455"), std::string::npos);

    EXPECT_TRUE(UnzipTestPasses(jar_));
    EXPECT_EQ(JavaReadManifest(jar_),
              (std::vector<std::string>{"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-1: Snake, , snake.Main",
                                        "MIDlet-Vendor: Vorlan"}));
}

TEST_P(AddIntoTool, IdenticalContentKeepsTheArchiveAsItIs) {
    const std::string original = ReadFile(jar_);
    // As stored: the jar tool adds a line of its own to the manifest.
    WriteFile(scratch_ / "META-INF/MANIFEST.MF", ArchiveEntry(jar_, "META-INF/MANIFEST.MF"));
    EXPECT_EQ(RunAdd({jar_, scratch_}, script_), 1);
    EXPECT_EQ(ReadFile(jar_), original);
    EXPECT_EQ(script_.codes(), (std::vector<std::uint32_t>{ACTION_BATCH_COUNT, ACTION_BATCH_BYTES, ACTION_BEGIN_FILE,
                                                           ACTION_PROGRESS, ACTION_END_BATCH}));
}

INSTANTIATE_TEST_SUITE_P(Tools, AddIntoTool, ::testing::Values("jar", "zip", "python"));

class AddInto : public ::testing::Test {
protected:
    void SetUp() override {
        PackWith("python", {{"a.txt", "alpha"}, {"sub/b.txt", "beta"}}, archive_);
        fs::create_directory(scratch_);
    }
    TempDir work_;
    fs::path archive_ = work_ / "suite.zip";
    fs::path scratch_ = work_ / "scratch";
    CallbackScript script_;
};

TEST_F(AddInto, ReportsTheBatchThenEachFile) {
    WriteFile(scratch_ / "x.txt", std::string(200000, 'x'));
    WriteFile(scratch_ / "y.txt", "y");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 2);
    ASSERT_GE(script_.calls.size(), 7u);
    EXPECT_EQ(script_.calls[0].code, ACTION_BATCH_COUNT);
    EXPECT_EQ(script_.calls[0].value, 2);
    EXPECT_EQ(script_.calls[1].code, ACTION_BATCH_BYTES);
    EXPECT_EQ(script_.calls[1].value, 200001);
    const auto begun = script_.withCode(ACTION_BEGIN_FILE);
    ASSERT_EQ(begun.size(), 2u);
    EXPECT_EQ(begun[0].text, "x.txt");
    EXPECT_EQ(begun[0].value, 200000);
    EXPECT_EQ(script_.progressTotal(), 200001);
    EXPECT_EQ(script_.calls.back().code, ACTION_END_BATCH);
    for (const RecordedCall& call : script_.calls) EXPECT_EQ(call.caller, &script_);
}

// The callback may run the caller's event loop, and a handler there may
// start another add: the file being compressed must come out whole.
TEST_F(AddInto, AnAddStartedFromTheCallbackLeavesTheRunningOneWhole) {
    std::string text;
    for (int i = 0; text.size() < 400000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
    WriteFile(scratch_ / "long.txt", text);
    WriteFile(work_ / "other/inner.txt", text.substr(0, 100000));
    bool nested = false;
    script_.beforeAnswer = [&](int) {
        if (nested || script_.calls.back().code != ACTION_PROGRESS) return;
        nested = true;
        CallbackScript inner;
        EXPECT_EQ(RunAdd({work_ / "other.zip", work_ / "other"}, inner), 1);
    };
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 1);
    EXPECT_TRUE(nested);
    for (const fs::path& archive : {archive_, work_ / "other.zip"}) EXPECT_TRUE(UnzipTestPasses(archive)) << archive;
    EXPECT_EQ(ArchiveEntry(archive_, "long.txt"), text);
}

TEST_F(AddInto, SpecsSelectByFolderPatternAndRecursion) {
    WriteFile(scratch_ / "top.txt", "t");
    WriteFile(scratch_ / "top.bin", "b");
    WriteFile(scratch_ / "Dir/inner.txt", "i");
    WriteFile(scratch_ / "Dir/deeper/low.txt", "l");
    AddRequest request{archive_, scratch_, {"dir\\*.TXT"}};
    request.recurse = false;
    EXPECT_EQ(RunAdd(request, script_), 1);
    request.patterns = {"*.txt"};
    request.recurse = true;
    EXPECT_EQ(RunAdd(request, script_), 3);
    EXPECT_EQ(InspectArchive(archive_).names(),
              (std::vector<std::string>{"a.txt", "sub/b.txt", "Dir/inner.txt", "top.txt", "Dir/deeper/low.txt"}));
}

TEST_F(AddInto, JunkedFolderNamesStoreBareNamesAndLevelZeroStores) {
    WriteFile(scratch_ / "deep/er/c.txt", "c");
    AddRequest request{archive_, scratch_};
    request.junkDirNames = true;
    request.level = 0;
    EXPECT_EQ(RunAdd(request, script_), 1);
    const InspectedArchive after = InspectArchive(archive_);
    EXPECT_EQ(after.names(), (std::vector<std::string>{"a.txt", "sub/b.txt", "c.txt"}));
    EXPECT_EQ(after.entry("c.txt").method, 0u);  // level 0 stores
    EXPECT_TRUE(UnzipTestPasses(archive_));
}

TEST_F(AddInto, LinksAndSpecialFilesAreSkippedNotFollowed) {
    WriteFile(work_ / "secret.txt", "not for the archive");
    fs::create_symlink(work_ / "secret.txt", scratch_ / "link.txt");
    fs::create_directory_symlink(work_.path(), scratch_ / "linked-folder");
    ASSERT_EQ(::mkfifo((scratch_ / "pipe").c_str(), 0600), 0);
    WriteFile(scratch_ / "real.txt", "real");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 1);
    EXPECT_EQ(InspectArchive(archive_).names(), (std::vector<std::string>{"a.txt", "sub/b.txt", "real.txt"}));
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{"link.txt", "linked-folder", "pipe"}));
}

// Non-ASCII names go in flagged as UTF-8; a name that is not UTF-8 would go
// in unflagged and make Java refuse the whole archive: that file is left out.
TEST_F(AddInto, NonAsciiNamesAreMarkedUtf8AndOthersLeftOut) {
    WriteFile(scratch_ / "d\xC3\xA9j\xC3\xA0.txt", "x");
    WriteFile(scratch_ / "caf\xE9.txt", "not UTF-8");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 1);
    EXPECT_EQ(script_.skippedNames(), std::vector<std::string>{"caf\xE9.txt"});
    const InspectedArchive after = InspectArchive(archive_);
    EXPECT_NE(after.entry("d\xC3\xA9j\xC3\xA0.txt").flags & 0x800, 0u);
    EXPECT_EQ(after.entry("a.txt").flags & 0x800, 0u);
    EXPECT_EQ(after.entries.size(), 3u);
    EXPECT_NO_THROW(JavaReadManifest(archive_));
}

// A file several patterns select goes in once; of two files that would carry
// the same name ignoring case, the first found goes in and the other is
// reported left out, once, however many patterns select it.
TEST_F(AddInto, AFileSelectedTwiceOrNamedAsAnotherGoesInOnce) {
    WriteFile(scratch_ / "x/c.txt", "first");
    WriteFile(scratch_ / "y/C.TXT", "second");
    WriteFile(scratch_ / "n.txt", "n");
    AddRequest request{archive_, scratch_, {"*.txt", "*.TXT", "x\\c.txt"}};
    request.junkDirNames = true;
    EXPECT_EQ(RunAdd(request, script_), 2);
    EXPECT_EQ(script_.skippedNames(), std::vector<std::string>{"y/C.TXT"});
    const InspectedArchive after = InspectArchive(archive_);
    EXPECT_EQ(after.names(), (std::vector<std::string>{"a.txt", "sub/b.txt", "n.txt", "c.txt"}));
    EXPECT_EQ(ArchiveEntry(archive_, "c.txt"), "first");
}

// Empty, small (read as found) and large (read when compared) files the
// archive already holds as they are leave it byte for byte as it was.
TEST_F(AddInto, IdenticalFilesOfAnySizeLeaveTheArchiveAsItIs) {
    std::string large;
    for (unsigned i = 0; large.size() < 1536 * 1024; ++i) large += std::to_string(i * 2654435761u) + ",";
    const Files files{{"empty.txt", ""}, {"small.txt", "small"}, {"large.bin", large}};
    PackWith("python", files, archive_);
    const std::string original = ReadFile(archive_);
    for (const auto& [name, content] : files) WriteFile(scratch_ / name, content);
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 3);
    EXPECT_EQ(ReadFile(archive_), original);

    WriteFile(scratch_ / "empty.txt", "no longer empty");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 3);
    EXPECT_EQ(ArchiveEntry(archive_, "empty.txt"), "no longer empty");
}

TEST_F(AddInto, AFileMatchingSeveralEntriesLeavesTheArchiveAlone) {
    PackWith("python", {{"a.txt", "lower"}, {"A.TXT", "upper"}}, archive_);
    const std::string original = ReadFile(archive_);
    WriteFile(scratch_ / "a.txt", "new");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 0);
    EXPECT_EQ(ReadFile(archive_), original);
}

TEST_F(AddInto, AReplacedEntryDropsItsOldTimestamps) {
    if (!ToolAvailable("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
    WriteFile(work_ / "staging/a.txt", "old");
    fs::remove(archive_);
    ASSERT_EQ(RunCommand({"zip", "-q", archive_.string(), "a.txt"}, work_ / "staging").status, 0);  // with UT and ux
    ASSERT_NE(InspectArchive(archive_).entry("a.txt").centralExtraIds.find("5455"), std::string::npos);
    WriteFile(scratch_ / "A.TXT", "new");
    EXPECT_EQ(RunAdd({archive_, scratch_}, script_), 1);
    const InspectedEntry replaced = InspectArchive(archive_).entry("a.txt");
    EXPECT_EQ(replaced.centralExtraIds.find("5455"), std::string::npos);
    EXPECT_EQ(replaced.localExtraIds.find("5455"), std::string::npos);
    EXPECT_TRUE(UnzipTestPasses(archive_));
}

TEST_F(AddInto, CommentIsKeptOrReplacedAsAsked) {
    WriteFile(scratch_ / "c.txt", "c");
    AddRequest request{archive_, scratch_};
    request.comment = "Vorlan comment";
    EXPECT_EQ(RunAdd(request, script_), 1);
    EXPECT_EQ(InspectArchive(archive_).comment, "Vorlan comment");
    WriteFile(scratch_ / "c.txt", "changed");
    request.comment = nullptr;
    EXPECT_EQ(RunAdd(request, script_), 1);
    EXPECT_EQ(InspectArchive(archive_).comment, "Vorlan comment");
}

// With or without a stub in front: the stub stays whatever is deleted, and
// deleting every entry leaves an empty archive, not a missing file, whose
// directory offset counts from the file's start.
TEST_F(AddInto, DeletesTheSelectedEntriesKeepingTheDataInFront) {
    const std::string original = ReadFile(archive_);
    for (const std::string stub : {"", "#!/bin/sh\nexit 0\n"}) {
        SCOPED_TRACE(stub);
        WriteFile(archive_, stub + original);
        AddRequest request{archive_, scratch_, {"SUB\\*"}};
        request.deleteEntries = true;
        EXPECT_EQ(RunAdd(request, script_), 1);
        EXPECT_EQ(ReadFile(archive_).substr(0, stub.size()), stub);
        EXPECT_EQ(InspectArchive(archive_).names(), (std::vector<std::string>{"a.txt"}));
        request.patterns = {"*"};
        EXPECT_EQ(RunAdd(request, script_), 1);
        EXPECT_EQ(ReadFile(archive_),
                  stub + EndRecordBytes({.centralDirOffset = static_cast<std::uint32_t>(stub.size())}));
    }
}

TEST_F(AddInto, CreatesAMissingArchive) {
    WriteFile(scratch_ / "new.txt", "n");
    EXPECT_EQ(RunAdd({work_ / "fresh.zip", scratch_}, script_), 1);
    EXPECT_TRUE(UnzipTestPasses(work_ / "fresh.zip"));
}

}  // namespace
}  // namespace vorlan::test
