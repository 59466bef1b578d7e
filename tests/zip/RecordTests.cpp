// SPDX-License-Identifier: MIT
// A new component's defaults, entry access, the path helpers, and the
// parameter records the option sets produce (filled without any engine).
#include <cstring>

#include "tests/zip/ZipTestSupport.h"
#include "zip/EngineBinding.h"
#include "zip/ParamRecords.h"

namespace vorlan::test {
namespace {

using RecordTest = ZipTest;

TEST_F(RecordTest, NewComponentHasItsDefaultsAndNothingLoaded) {
    TZip zip;
    EXPECT_TRUE(zip.ShowProgressDialog);
    EXPECT_EQ(zip.AddOptions, 0x02);
    EXPECT_EQ(zip.ExtractOptions, 0x01);
    EXPECT_EQ(zip.TempDir, GetTempDir());
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_EQ(zip.Password, "");
    EXPECT_EQ(zip.LibraryDir, "");
    EXPECT_EQ(zip.EndOfDirectory.EndRecordPosition, -1);
    EXPECT_EQ(ZipEngineExec(), nullptr);
    EXPECT_EQ(UnzEngineExec(), nullptr);
}

TEST_F(RecordTest, GetEntryCopiesInRangeAndRefusesOutside) {
    TZip zip;
    TFileInfo info;
    EXPECT_THROW(zip.GetEntry(0, info), ZipException);
    zip.SetZipFileName(WriteArchive("one.zip", OneEntryArchive()));
    ASSERT_EQ(zip.EntryCount(), 1);
    for (int index : {-1, 1}) {
        try {
            zip.GetEntry(index, info);
            ADD_FAILURE() << "index " << index << " accepted";
        } catch (const ZipException& error) {
            EXPECT_STREQ(error.what(), "Index range error");
        }
    }
    zip.GetEntry(0, info);
    zip.SetZipFileName("");  // the copy outlives the list
    EXPECT_EQ(info.FileName, "META-INF\\MANIFEST.MF");
}

TEST(PathHelpers, AddBackslashAddsOneSlashWhereMissing) {
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("/opt/vorlan"), "/opt/vorlan/");
    EXPECT_EQ(AddBackslash("/opt/vorlan/"), "/opt/vorlan/");
    EXPECT_EQ(SlashesToBackslashes("a/b/c.class"), "a\\b\\c.class");
}

TEST(PathHelpers, TempDirComesFromTmpdirOrTmp) {
    {
        const ScopedVariable tmpdir("TMPDIR", "/var/scratch");
        EXPECT_EQ(GetTempDir(), "/var/scratch/");
    }
    const ScopedVariable tmpdir("TMPDIR", "");
    EXPECT_EQ(GetTempDir(), "/tmp/");
}

TUnzipParams UnzipParamsFor(TZip& zip, TOptionSet options) {
    zip.ExtractOptions = options;
    TUnzipParams params;
    std::memset(&params, 0, sizeof params);
    InitUnzipParams(params, zip);
    return params;
}

struct UnzipSwitches {
    TOptionSet options;
    bool overwriteAll, update, freshen, directoryNames, askOverwrite;
};

class UnzipSwitchTest : public ZipTest, public ::testing::WithParamInterface<UnzipSwitches> {};

// The fixed values, whatever the options, and the switches the options turn on.
TEST_P(UnzipSwitchTest, RecordHoldsTheFixedValuesAndTheOptionsSwitches) {
    TZip zip;
    const UnzipSwitches& expected = GetParam();
    const TUnzipParams params = UnzipParamsFor(zip, expected.options);
    EXPECT_EQ(params.Caller, &zip);
    EXPECT_EQ(params.Version, 160);
    EXPECT_EQ(params.Callback, &EngineCallback);
    EXPECT_EQ(params.Reserved40, -1);
    EXPECT_EQ(params.Reserved104, 3);
    EXPECT_EQ(params.Trailer, 7);
    EXPECT_EQ(params.Handle, 0);
    EXPECT_EQ(params.Password, nullptr);
    EXPECT_EQ(params.FileSpecCount, 0);
    EXPECT_EQ(params.OverwriteAll, expected.overwriteAll ? -1 : 0);
    EXPECT_EQ(params.Update, expected.update ? -1 : 0);
    EXPECT_EQ(params.Freshen, expected.freshen ? -1 : 0);
    EXPECT_EQ(params.DirectoryNames, expected.directoryNames ? -1 : 0);
    EXPECT_EQ(params.AskOverwrite, expected.askOverwrite ? -1 : 0);
}

INSTANTIATE_TEST_SUITE_P(OptionSets, UnzipSwitchTest,
                         ::testing::Values(UnzipSwitches{0x10, false, false, false, true, true},   // the window's {4}
                                           UnzipSwitches{0x01, false, true, false, false, false},  // {0}, the default
                                           UnzipSwitches{0x02, false, false, true, false, false},
                                           UnzipSwitches{0x03, false, true, false, false, false},
                                           UnzipSwitches{0x04, true, false, false, false, false},
                                           UnzipSwitches{0x05, false, true, false, false, false},
                                           UnzipSwitches{0x08, false, false, false, false, true},
                                           UnzipSwitches{0x00, false, false, false, false, true}));

TZipParams ZipParamsFor(TZip& zip, TOptionSet options) {
    zip.AddOptions = options;
    TZipParams params;
    std::memset(&params, 0, sizeof params);
    InitZipParams(params, zip);
    return params;
}

struct ZipSwitches {
    TOptionSet options;
    std::uint16_t recurse;
    bool flag6, junkDirNames, noSubfolderFlags, flag7, flag1, flag0;
};

class ZipSwitchTest : public ZipTest, public ::testing::WithParamInterface<ZipSwitches> {};

// The fixed values, whatever the options, and the switches the options turn on.
TEST_P(ZipSwitchTest, RecordHoldsTheFixedValuesAndTheOptionsSwitches) {
    TZip zip;
    const ZipSwitches& expected = GetParam();
    const TZipParams params = ZipParamsFor(zip, expected.options);
    EXPECT_EQ(params.Caller, &zip);
    EXPECT_EQ(params.Version, 160);
    EXPECT_EQ(params.Callback, &EngineCallback);
    EXPECT_EQ(params.Reserved56, -1);
    EXPECT_EQ(params.Level, 9);
    EXPECT_EQ(params.AddFiles, -1);
    EXPECT_EQ(params.DeleteEntries, 0);
    EXPECT_EQ(params.Trailer, 7);
    EXPECT_EQ(params.Encrypt, 0);  // only with a password
    zip.Password = "secret";
    EXPECT_EQ(ZipParamsFor(zip, expected.options).Encrypt, -1);
    EXPECT_EQ(params.Recurse, expected.recurse);
    EXPECT_EQ(params.Reserved78, 0);
    EXPECT_EQ(params.OptionFlag6, expected.flag6 ? -1 : 0);
    EXPECT_EQ(params.JunkDirNames, expected.junkDirNames ? -1 : 0);
    EXPECT_EQ(params.NoSubfolderFlags, expected.noSubfolderFlags ? -1 : 0);
    EXPECT_EQ(params.OptionFlag7, expected.flag7 ? -1 : 0);
    EXPECT_EQ(params.OptionFlag1, expected.flag1 ? -1 : 0);
    EXPECT_EQ(params.OptionFlag0, expected.flag0 ? -1 : 0);
}

INSTANTIATE_TEST_SUITE_P(OptionSets, ZipSwitchTest,
                         ::testing::Values(ZipSwitches{0x14, 0xFFFF, false, false, false, false, false, false},
                                           ZipSwitches{0x02, 0, false, true, true, false, true, false},  // default
                                           ZipSwitches{0x01, 0, false, true, true, false, false, true},
                                           ZipSwitches{0x03, 0, false, true, true, false, true, false},
                                           ZipSwitches{0x08, 0, false, true, false, false, false, false},
                                           ZipSwitches{0xC0, 0, true, true, true, true, false, false}));

}  // namespace
}  // namespace vorlan::test
