// SPDX-License-Identifier: MIT
// Extract and Add: their preconditions and messages, what they hand the
// engine (seen by the fake engine), the current directory they set, and what
// they leave behind.
#include "tests/support/ZipWriter.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/CodePages.h"

namespace vorlan::test {
namespace {

const char kSpannedMessage[] =
    "Cannot Add, Delete or Extract from a multiple disk Zip file...\n"
    "Merge this Zip file onto the hard disk before retrying.";

class OperationTest : public FakeEngineTest {
protected:
    void ExpectOneInformationBox(const std::string& text) {
        ASSERT_EQ(app.messages.size(), 1u);
        EXPECT_EQ(app.messages[0].text, text);
        EXPECT_EQ(app.messages[0].caption, "Vorlan");
        EXPECT_EQ(app.messages[0].style, MB_OK | MB_ICONINFORMATION);
    }
};

TEST_F(OperationTest, ExtractFromArchiveWithoutEntriesDoesNothing) {
    zip.SetZipFileName(WriteArchive("empty.zip", ZipArchive().bytes()));
    zip.FileSpecs() = {"a.txt"};
    zip.Cancelled = true;
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_FALSE(zip.Cancelled);
    EXPECT_TRUE(app.messages.empty());
    EXPECT_FALSE(ModuleIsLoaded(FakeEnginePath("UnZDll.so")));
    EXPECT_EQ(zip.FileSpecs(), std::vector<std::string>{"a.txt"});
}

TEST_F(OperationTest, SpannedArchiveIsRefusedByExtractAndAdd) {
    zip.SetZipFileName(WriteArchive("disk.zip", [] {
        ZipArchive spanned{"", {StoredEntry("a", "1")}};
        spanned.endRecord = {.thisDisk = 2, .centralDirDisk = 2};
        return spanned.bytes();
    }()));
    zip.FileSpecs() = {"a"};
    EXPECT_EQ(zip.Extract(), 0);
    ExpectOneInformationBox(kSpannedMessage);
    app.messages.clear();
    zip.AddBaseDir = dir.str();
    EXPECT_EQ(zip.Add(), 0);
    ExpectOneInformationBox(kSpannedMessage);
    EXPECT_EQ(zip.AddBaseDir, "");
    EXPECT_EQ(zip.FileSpecs(), std::vector<std::string>{"a"});
}

TEST_F(OperationTest, ExtractIntoMissingFolderNamesIt) {
    zip.ExtractBaseDir = (dir / "no such").string();
    zip.FileSpecs() = {"a"};
    EXPECT_EQ(zip.Extract(), 0);
    ExpectOneInformationBox("Unable to extract files to:\n\"" + zip.ExtractBaseDir + "\"\nThis folder does not exist.");
    EXPECT_FALSE(ModuleIsLoaded(FakeEnginePath("UnZDll.so")));
}

TEST_F(OperationTest, AddWithoutArchiveOrFilesSaysWhichIsMissing) {
    TZip closed;
    closed.AddBaseDir = dir.str();
    EXPECT_EQ(closed.Add(), 0);
    ExpectOneInformationBox("A Zip file must be openned or created before\nAdding, Deleting or Extracting files.");
    EXPECT_EQ(closed.AddBaseDir, "");
    app.messages.clear();
    EXPECT_EQ(zip.Add(), 0);
    ExpectOneInformationBox("No files have been selected.");
}

TEST_F(OperationTest, ExtractHandsTheEngineItsRecordInTheTargetFolder) {
    const auto engine = FakeUnzip(2);
    fs::create_directory(dir / "out");
    zip.ExtractBaseDir = (dir / "out").string();
    zip.ExtractOptions = 0x10;
    zip.Password = "pw";
    zip.FileSpecs() = {"META-INF\\manifest.mf", "*.class"};
    EXPECT_EQ(zip.Extract(), 2);
    const FakeEngineLog& log = engine->Log();
    EXPECT_EQ(log.Calls, 1);
    EXPECT_STREQ(log.ZipFileName, archive.c_str());
    EXPECT_STREQ(log.Password, "pw");
    EXPECT_EQ(log.Unzip.Caller, &zip);
    EXPECT_EQ(log.Unzip.DirectoryNames, -1);
    ASSERT_EQ(log.SpecCount, 2);
    EXPECT_STREQ(log.Specs[0], "META-INF\\manifest.mf");
    EXPECT_STREQ(log.Specs[1], "*.class");
    EXPECT_EQ(fs::path(log.CurrentDirectory), fs::canonical(dir / "out"));
    EXPECT_TRUE(zip.FileSpecs().empty());
    EXPECT_EQ(zip.ExtractBaseDir, (dir / "out").string());
}

TEST_F(OperationTest, ExtractWithoutTargetUsesTheArchivesFolder) {
    const auto engine = FakeUnzip(0);
    zip.FileSpecs() = {};
    EXPECT_EQ(zip.Extract(), 0);
    const FakeEngineLog& log = engine->Log();
    EXPECT_EQ(fs::path(log.CurrentDirectory), fs::canonical(dir.path()));
    EXPECT_EQ(log.Unzip.FileSpecCount, 0);
    EXPECT_EQ(log.Unzip.FileSpecs, nullptr);
    EXPECT_EQ(log.Unzip.Password, nullptr);
}

TEST_F(OperationTest, RelativeArchiveIsStillFoundAfterTheDirectoryChanges) {
    fs::current_path(dir.path());
    TZip relative;
    relative.LibraryDir = FAKE_ENGINE_DIR;
    relative.ShowProgressDialog = false;
    relative.SetZipFileName("suite.jar");
    ASSERT_TRUE(relative.LoadUnzDll());
    FakeEngine engine(FakeEnginePath("UnZDll.so"));
    engine.SetScript({}, 1);
    fs::create_directory(dir / "elsewhere");
    relative.ExtractBaseDir = (dir / "elsewhere").string();
    relative.FileSpecs() = {"x"};
    relative.Extract();
    EXPECT_EQ(fs::path(engine.Log().ZipFileName), fs::absolute(dir / "suite.jar"));
    EXPECT_EQ(relative.ZipFileName(), "suite.jar");
}

TEST_F(OperationTest, AddHandsTheEngineItsRecordFromTheBaseFolder) {
    SetOemCodePage("CP866");
    zip.SetZipFileName(WriteArchive("oem.zip", [] {
        return ZipArchive{"", {StoredEntry("A.TXT", "")}}.bytes();  // written on DOS
    }()));
    ASSERT_TRUE(zip.OemNames);
    zip.EndOfDirectory.Comment = "привет";
    const auto engine = FakeZip(0);
    zip.AddBaseDir = dir.str();
    zip.AddOptions = 0x14;
    zip.FileSpecs() = {"*"};
    zip.TempDir = "/var/tmp/";
    EXPECT_EQ(zip.Add(), 0);
    SetOemCodePage("");
    const FakeEngineLog& log = engine->Log();
    EXPECT_EQ(log.IsZip, 1);
    EXPECT_EQ(fs::path(log.CurrentDirectory), fs::canonical(dir.path()));
    EXPECT_STREQ(log.TempDir, "/var/tmp/");
    EXPECT_STREQ(log.Comment, "\xAF\xE0\xA8\xA2\xA5\xE2");
    EXPECT_EQ(zip.EndOfDirectory.Comment, "привет");
    EXPECT_EQ(log.Zip.Password, nullptr);
    EXPECT_EQ(log.Zip.Recurse, 0xFFFF);
    ASSERT_EQ(log.SpecCount, 1);
    EXPECT_STREQ(log.Specs[0], "*");
    EXPECT_TRUE(zip.FileSpecs().empty());
    EXPECT_EQ(zip.AddBaseDir, "");
}

TEST_F(OperationTest, AddWithoutCommentOrBaseFolderPassesNoComment) {
    const auto engine = FakeZip(0);
    const fs::path before = fs::current_path();
    zip.AddBaseDir = (dir / "missing").string();
    zip.FileSpecs() = {"x"};
    zip.Password = "pw";
    zip.Add();
    EXPECT_EQ(engine->Log().Calls, 1);
    EXPECT_EQ(engine->Log().Zip.ArchiveComment, nullptr);
    EXPECT_STREQ(engine->Log().Password, "pw");
    EXPECT_EQ(engine->Log().Zip.Encrypt, -1);
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(OperationTest, AddThatChangedTheArchiveRereadsItAndTellsSo) {
    int changes = 0;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    // The fake engine changes nothing; the test plays the engine's part.
    WriteFile(archive,
              ZipArchive{"", {StoredEntry("META-INF/MANIFEST.MF", "m"), StoredEntry("api/Api.class", "c")}}.bytes());
    const auto engine = FakeZip(0);
    zip.FileSpecs() = {"*"};
    zip.Add();
    EXPECT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(changes, 0);
    engine->SetScript({}, 1);
    zip.FileSpecs() = {"*"};
    zip.Add();
    EXPECT_EQ(zip.EntryCount(), 2);
    EXPECT_EQ(changes, 1);
}

TEST_F(OperationTest, ProgressDialogLivesOnlyDuringTheEngineCall) {
    zip.ShowProgressDialog = true;
    const auto engine = FakeUnzip(1, {Step(ACTION_BATCH_BYTES, 10)});
    zip.FileSpecs() = {"x"};
    zip.Extract();
    ASSERT_EQ(app.dialogs.size(), 1u);
    EXPECT_EQ(app.lastDialogOwner, &zip);
    EXPECT_EQ(app.dialogs[0]->calls, (std::vector<std::string>{"show", "max 10"}));
    EXPECT_FALSE(app.dialogs[0]->alive);
    EXPECT_EQ(zip.ProgressForm, nullptr);

    zip.ShowProgressDialog = false;
    zip.FileSpecs() = {"x"};
    zip.Extract();
    EXPECT_EQ(app.dialogs.size(), 1u);
}

}  // namespace
}  // namespace vorlan::test
