// SPDX-License-Identifier: MIT
// TZip over the real engine modules of the build: JARs written by the JDK's
// jar tool and by Info-ZIP are listed, extracted and added to, and the results
// read back by unzip and by Java.
#include <algorithm>
#include <cctype>

#include "tests/support/ZipEdits.h"
#include "tests/zip/ZipTestSupport.h"

namespace vorlan::test {
namespace {

const Files kSuite{
    {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\nMIDlet-1: Snake, , snake.Main\r\n"},
    {"snake/Main.class", std::string(2000, 'm')},
    {"res/level1.dat", "level one"}};

class RoundTripTest : public ZipTest {
protected:
    void SetUp() override {
        if (!fs::exists(fs::path(VORLAN_BIN_DIR) / "ZipDll.so") ||
            !fs::exists(fs::path(VORLAN_BIN_DIR) / "UnZDll.so")) {
            GTEST_SKIP() << "the engine modules are not built";
        }
        zip.LibraryDir = VORLAN_BIN_DIR;
        zip.ShowProgressDialog = false;
    }

    // Adds a folder holding a new manifest and a new class to the open
    // archive, as the batch does.
    std::int32_t AddManifestAndClass() {
        const fs::path scratch = dir / "scratch";
        WriteFile(scratch / "META-INF" / "MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: Snake II\r\n");
        WriteFile(scratch / "api" / "Sound.class", std::string(500, 's'));
        zip.FileSpecs() = {"*"};
        zip.AddBaseDir = scratch.string() + "/";
        zip.AddOptions = 0x14;
        return zip.Add();
    }

    TZip zip;
};

class ToolRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ToolRoundTripTest, ExtractsTheManifestBelowItsFolderAndEveryFileByName) {
    const std::string jar = (dir / "Snake.jar").string();
    PackWith(GetParam(), kSuite, jar);
    zip.ExtractOptions = 0x10;
    zip.SetZipFileName(jar);
    fs::create_directory(dir / "scratch");
    zip.FileSpecs() = {"META-INF\\manifest.mf"};
    zip.ExtractBaseDir = (dir / "scratch").string();
    EXPECT_EQ(zip.Extract(), 1);
    // What unzip reads is the reference: the jar tool adds to the manifest it is given.
    EXPECT_EQ(ReadFile(dir / "scratch" / "META-INF" / "MANIFEST.MF"), ArchiveEntry(jar, "META-INF/MANIFEST.MF"));

    // Every entry name, as the batch gives them before extracting all.
    fs::create_directory(dir / "out");
    zip.FileSpecs() = EntryNames(zip);
    zip.ExtractBaseDir = (dir / "out").string();
    EXPECT_GE(zip.Extract(), 3);
    for (const auto& [name, content] : kSuite) EXPECT_EQ(ReadFile(dir / "out" / name), ArchiveEntry(jar, name)) << name;
    EXPECT_EQ(ReadFile(dir / "out" / "snake" / "Main.class"), kSuite.at("snake/Main.class"));
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolRoundTripTest, ::testing::Values("jar", "zip", "python"));

TEST_F(RoundTripTest, AddedFolderReplacesTheManifestInPlaceAndReadsBack) {
    const std::string jar = (dir / "Snake.jar").string();
    PackWith("jar", kSuite, jar);
    zip.SetZipFileName(jar);
    const std::vector<std::string> before = EntryNames(zip);
    int changes = 0;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    EXPECT_EQ(AddManifestAndClass(), 2);
    EXPECT_EQ(changes, 1);
    const std::vector<std::string> after = EntryNames(zip);
    EXPECT_EQ(after.front(), before.front());  // the manifest keeps its place
    EXPECT_NE(std::find(after.begin(), after.end(), "api\\Sound.class"), after.end());
    EXPECT_TRUE(UnzipTestPasses(jar));
    const std::vector<std::string> manifest = JavaReadManifest(jar);
    EXPECT_NE(std::find(manifest.begin(), manifest.end(), "MIDlet-Name: Snake II"), manifest.end());
}

TEST_F(RoundTripTest, AddIntoANewArchiveCreatesIt) {
    const std::string jar = (dir / "new.jar").string();
    WriteFile(dir / "files" / "a.txt", "alpha");
    zip.SetZipFileName(jar);
    zip.FileSpecs() = {"*"};
    zip.AddBaseDir = (dir / "files").string();
    zip.AddOptions = 0x14;
    EXPECT_EQ(zip.Add(), 1);
    EXPECT_EQ(EntryNames(zip), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(UnzipTestPasses(jar));
}

// A self-extracting stub or script in front of the archive: a shell line,
// then bytes of every value, some of them zip signatures' first bytes.
std::string Stub() {
    std::string stub = "#!/bin/sh\necho 'a script in front of the archive'\nexit 0\n";
    std::uint32_t noise = 2024;
    for (int i = 0; i < 300; ++i) stub += static_cast<char>((noise = noise * 1103515245u + 12345u) >> 24);
    return stub + "PK";
}

// How the data got in front: Info-ZIP's archive after the stub with offsets
// counted from the archive (as `cat` leaves them) or from the file (`zip -A`),
// and Python's zipfile writing after the stub in the same file.
enum class Front { ZipCat, ZipAdjusted, PythonAfterStub };

void WriteStubbedArchive(Front front, const Files& files, const fs::path& archive) {
    if (front == Front::PythonAfterStub) {
        WriteFile(archive, Stub());
        std::vector<std::string> argv{
            "python3", "-c",
            "import sys, zipfile\n"
            "with zipfile.ZipFile(sys.argv[1], 'a', zipfile.ZIP_DEFLATED) as z:\n"
            "    for i in range(2, len(sys.argv), 2): z.writestr(sys.argv[i], sys.argv[i + 1])\n",
            archive.string()};
        for (const auto& [name, content] : files) argv.insert(argv.end(), {name, content});
        ASSERT_EQ(RunCommand(argv).status, 0);
        return;
    }
    PackWith("zip", files, archive);
    WriteFile(archive, Stub() + ReadFile(archive));
    if (front == Front::ZipAdjusted) {
        ASSERT_EQ(RunCommand({"zip", "-q", "-A", archive.string()}).status, 0);
    }
}

class StubbedRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<Front> {};

// The stub stays byte for byte, the archive after it gets offsets counted
// from the file, and every reader finds every entry: this component, libzip
// (extracting through the engine), unzip and Java.
TEST_P(StubbedRoundTripTest, AddingKeepsTheDataInFrontAndEveryReaderFindsEveryEntry) {
    const fs::path jar = dir / "Snake.jar";
    WriteStubbedArchive(GetParam(), kSuite, jar);
    zip.SetZipFileName(jar.string());
    ASSERT_EQ(AddManifestAndClass(), 2) << zip.LastEngineMessage;

    const std::string bytes = ReadFile(jar);
    EXPECT_EQ(bytes.substr(0, Stub().size()), Stub());
    const auto directoryStart = static_cast<std::uint32_t>(zip.EndOfDirectory.EndRecordPosition) -
                                static_cast<std::uint32_t>(zip.EndOfDirectory.CentralDirSize);
    EXPECT_EQ(static_cast<std::uint32_t>(zip.EndOfDirectory.CentralDirOffset), directoryStart);
    ASSERT_EQ(zip.EntryCount(), 4);
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        TFileInfo info;
        zip.GetEntry(i, info);
        EXPECT_EQ(Get32At(bytes, info.LocalHeaderOffset), 0x04034B50u) << info.FileName;
        if (i == 0) {
            EXPECT_EQ(info.LocalHeaderOffset, Stub().size());
        }
    }
    EXPECT_EQ(EntryNames(zip).front(), "META-INF\\MANIFEST.MF");
    EXPECT_EQ(EntryNames(zip).back(), "api\\Sound.class");

    zip.FileSpecs() = EntryNames(zip);
    zip.ExtractOptions = 0x10;
    zip.ExtractBaseDir = (dir / "out").string();
    fs::create_directory(dir / "out");
    EXPECT_EQ(zip.Extract(), 4);
    EXPECT_EQ(ReadFile(dir / "out" / "snake" / "Main.class"), kSuite.at("snake/Main.class"));
    EXPECT_EQ(ReadFile(dir / "out" / "api" / "Sound.class"), std::string(500, 's'));

    const CommandResult unzip = RunCommand({"unzip", "-t", jar.string()});
    EXPECT_EQ(unzip.status, 0) << unzip.output;  // 1 would be a warning: offsets not counted from the file
    const std::vector<std::string> manifest = JavaReadManifest(jar);
    EXPECT_NE(std::find(manifest.begin(), manifest.end(), "MIDlet-Name: Snake II"), manifest.end());
}

std::string FrontName(const ::testing::TestParamInfo<Front>& info) {
    switch (info.param) {
        case Front::ZipCat:
            return "ZipCat";
        case Front::ZipAdjusted:
            return "ZipAdjusted";
        case Front::PythonAfterStub:
            break;
    }
    return "PythonAfterStub";
}

INSTANTIATE_TEST_SUITE_P(Fronts, StubbedRoundTripTest,
                         ::testing::Values(Front::ZipCat, Front::ZipAdjusted, Front::PythonAfterStub), FrontName);

}  // namespace
}  // namespace vorlan::test
