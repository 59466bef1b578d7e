// SPDX-License-Identifier: MIT
// The extract engine on archives made to hurt: names that climb out of the
// target folder, links, damaged or overflowing data, passwords, and output
// beyond the cap, with what the callback is told. Archives readers would
// disagree on, and data in front of an archive, are rows of the hostile
// corpus, which runs every path over them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "tests/engines/ArchiveInspection.h"
#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

// A target folder with a sibling that nothing may ever reach.
class HostileArchive : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(target_);
        fs::create_directories(outside_);
    }
    std::int32_t extract(const ZipArchive& archive, std::vector<std::string> patterns = {"*"}) {
        WriteFile(archive_, archive.bytes());
        ExtractRequest request{archive_, target_, std::move(patterns)};
        request.overwriteAll = true;
        return RunExtract(request, script_);
    }
    TempDir work_;
    fs::path archive_ = work_ / "hostile.zip";
    fs::path target_ = work_ / "deep/target";
    fs::path outside_ = work_ / "outside";
    CallbackScript script_;
};

TEST_F(HostileArchive, NamesThatClimbOutAreSkippedAndTheRestExtracted) {
    const std::vector<std::string> hostile = {"../outside/up.txt",
                                              "a/../../outside/mid.txt",
                                              "..\\outside\\back.txt",
                                              "a\\..\\..\\..\\outside\\x.txt",
                                              "/tmp/absolute.txt",
                                              "C:\\outside\\drive.txt",
                                              "",
                                              std::string("ok.txt\0/../x", 12)};
    ZipArchive archive;
    for (const std::string& name : hostile) archive.entries.push_back(StoredEntry(name, "payload"));
    archive.entries.push_back(StoredEntry("good/inside.txt", "fine"));
    EXPECT_EQ(extract(archive), 1);
    EXPECT_EQ(TreeOf(work_ / "deep"), (std::vector<std::string>{"target/", "target/good/", "target/good/inside.txt"}));
    EXPECT_TRUE(TreeOf(outside_).empty());
    EXPECT_FALSE(fs::exists("/tmp/absolute.txt"));
    EXPECT_EQ(script_.skippedNames().size(), hostile.size());
}

TEST_F(HostileArchive, LinkEntriesAreNotCreatedAndNothingIsWrittenThroughThem) {
    ZipArchive archive{"",
                       {LinkEntry("escape", outside_.string()), StoredEntry("escape/planted.txt", "x"),
                        LinkEntry("file-link", (outside_ / "victim.txt").string())}};
    EXPECT_EQ(extract(archive), 1);  // escape/ becomes a real folder of the target
    EXPECT_FALSE(fs::is_symlink(target_ / "escape"));
    EXPECT_FALSE(fs::exists(target_ / "file-link"));
    EXPECT_TRUE(TreeOf(outside_).empty());
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{"escape", "file-link"}));
}

TEST_F(HostileArchive, ExistingLinksInTheTargetAreNeverFollowed) {
    WriteFile(outside_ / "victim.txt", "precious");
    fs::create_directory_symlink(outside_, target_ / "sub");
    fs::create_symlink(outside_ / "victim.txt", target_ / "file.txt");
    ZipArchive archive{
        "",
        {StoredEntry("sub/planted.txt", "x"), StoredEntry("SUB/other.txt", "x"), StoredEntry("file.txt", "replaced")}};
    EXPECT_EQ(extract(archive), 1);
    EXPECT_EQ(TreeOf(outside_), (std::vector<std::string>{"victim.txt"}));
    EXPECT_EQ(ReadFile(outside_ / "victim.txt"), "precious");
    EXPECT_FALSE(fs::is_symlink(target_ / "file.txt"));  // the link was replaced, not written through
    EXPECT_EQ(ReadFile(target_ / "file.txt"), "replaced");
}

TEST_F(HostileArchive, ACrcFailureAsksAndNoLeavesNoFile) {
    ZipArchive archive{"", {StoredEntry("bad.txt", "content"), StoredEntry("good.txt", "fine")}};
    archive.entries[0].crc = 0x12345678;
    EXPECT_EQ(extract(archive), 1);
    EXPECT_FALSE(fs::exists(target_ / "bad.txt"));
    ASSERT_EQ(script_.withCode(ACTION_CRC_ERROR).size(), 1u);
    EXPECT_EQ(script_.withCode(ACTION_CRC_ERROR)[0].text, "bad.txt");
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"good.txt"}));

    script_ = CallbackScript{};
    script_.damagedAnswer = 1;
    EXPECT_EQ(extract(archive, {"bad.txt"}), 1);
    EXPECT_EQ(ReadFile(target_ / "bad.txt"), "content");
}

TEST_F(HostileArchive, DataBeyondItsStatedSizeIsCutAndReported) {
    ZipEntry bomb = DeflatedEntry("bomb.txt", std::string(1 << 20, 'z'));
    bomb.uncompressedSize = 10;
    bomb.crc = Crc32(std::string(10, 'z'));
    script_.damagedAnswer = 1;
    EXPECT_EQ(extract(ZipArchive{"", {bomb}}), 1);
    EXPECT_EQ(ReadFile(target_ / "bomb.txt"), std::string(10, 'z'));
    EXPECT_EQ(script_.withCode(ACTION_CRC_ERROR).size(), 1u);
}

// A size of 0xFFFFFFFF means "in the Zip64 field", which this entry lacks:
// the archive is refused for that, not for a file said to be missing.
TEST_F(HostileArchive, AZip64MarkWithoutItsFieldIsTheReasonGiven) {
    ZipArchive archive{"", {StoredEntry("a.txt", "alpha")}};
    archive.entries[0].uncompressedSize = 0xFFFFFFFF;
    EXPECT_EQ(extract(archive), 0);
    const std::vector<RecordedCall> messages = script_.withCode(ACTION_MESSAGE);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("Zip64"), std::string::npos) << messages[0].text;
    EXPECT_EQ(messages[0].text.find("No such file"), std::string::npos) << messages[0].text;
}

TEST_F(HostileArchive, AnEntryWhoseLocalHeaderRunsOverAnotherIsRefusedWhenAsked) {
    const ZipArchive archive = EntryInsideAnotherLocalExtra();  // b.txt's local record inside a.txt's extra
    EXPECT_EQ(extract(archive), 0);                             // refused before anything is written
    EXPECT_TRUE(TreeOf(target_).empty());
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{fs::absolute(archive_).string()}));
    script_ = CallbackScript{};
    EXPECT_EQ(extract(archive, {"b.txt"}), 1);  // b.txt's own bytes are sound
    EXPECT_EQ(ReadFile(target_ / "b.txt"), "beta");
}

TEST_F(HostileArchive, OutputBeyondTheCapIsSkipped) {
    ZipEntry liar = StoredEntry("huge-claim.bin", "small");
    liar.uncompressedSize = 65u << 20;
    const std::string block(33u << 20, '\0');
    ZipArchive archive{"", {liar, DeflatedEntry("first.bin", block), DeflatedEntry("second.bin", block)}};
    EXPECT_EQ(extract(archive), 1);
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"first.bin"}));
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{"huge-claim.bin", "second.bin"}));
}

TEST_F(HostileArchive, FilesGetTheEntrysTime) {
    ZipEntry entry = StoredEntry("dated.txt", "x");
    entry.dosDate = static_cast<std::uint16_t>(((2003 - 1980) << 9) | (4 << 5) | 5);
    entry.dosTime = static_cast<std::uint16_t>((6 << 11) | (7 << 5) | 4);  // 06:07:08
    EXPECT_EQ(extract(ZipArchive{"", {entry}}), 1);
    std::tm local{};
    local.tm_year = 103;
    local.tm_mon = 3;
    local.tm_mday = 5;
    local.tm_hour = 6;
    local.tm_min = 7;
    local.tm_sec = 8;
    local.tm_isdst = -1;
    struct stat status {};
    ASSERT_EQ(::stat((target_ / "dated.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, std::mktime(&local));
}

class EncryptedArchive : public HostileArchive {
protected:
    void SetUp() override {
        HostileArchive::SetUp();
        if (!ToolAvailable("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
        WriteFile(work_ / "staging/secret.txt", "the secret");
        ASSERT_EQ(RunCommand({"zip", "-q", "-P", "letmein", archive_.string(), "secret.txt"}, work_ / "staging").status,
                  0);
    }
};

TEST_F(EncryptedArchive, UsesTheGivenPassword) {
    ExtractRequest request{archive_, target_, {"*"}};
    request.password = "letmein";
    EXPECT_EQ(RunExtract(request, script_), 1);
    EXPECT_EQ(ReadFile(target_ / "secret.txt"), "the secret");
    EXPECT_TRUE(script_.withCode(ACTION_PASSWORD).empty());
}

// AES entries, written by the add engine: a wrong password fails its check
// (traditional encryption lets one in 256 through, to fail as damaged data).
TEST_F(HostileArchive, AsksForPasswordsAFewTimesThenSkips) {
    WriteFile(work_ / "staging/secret.txt", "the secret");
    AddRequest add(archive_, work_ / "staging");
    add.password = "letmein";
    ASSERT_EQ(RunAdd(add, script_), 1);
    ASSERT_EQ(InspectArchive(archive_).entry("secret.txt").method, 99u);  // the AES marker
    script_ = CallbackScript{};
    script_.passwords = {"wrong", "letmein"};
    EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, script_), 1);
    EXPECT_EQ(ReadFile(target_ / "secret.txt"), "the secret");

    CallbackScript stubborn;
    stubborn.passwords = {"no", "nope", "never", "unasked"};
    fs::remove(target_ / "secret.txt");
    EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, stubborn), 0);
    const auto questions = stubborn.withCode(ACTION_PASSWORD);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0].value, 2);
    EXPECT_EQ(questions[2].value, 0);
    EXPECT_EQ(questions[0].text, "secret.txt");
    EXPECT_EQ(stubborn.skippedNames(), (std::vector<std::string>{"secret.txt"}));
    EXPECT_FALSE(fs::exists(target_ / "secret.txt"));
}

}  // namespace
}  // namespace vorlan::test
