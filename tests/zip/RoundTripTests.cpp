// TZip over the real engine modules of the build: JARs written by the JDK's
// jar tool and by Info-ZIP are listed, extracted and added to, and the results
// read back by unzip and by Java.
#include <algorithm>
#include <cctype>

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

    // Every entry name, as the batch does before extracting all.
    void SelectAllEntries() {
        zip.FileSpecs().clear();
        for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
            TFileInfo info;
            zip.GetEntry(i, info);
            zip.FileSpecs().push_back(info.FileName);
        }
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
            TFileInfo info;
            zip.GetEntry(i, info);
            names.push_back(info.FileName);
        }
        return names;
    }

    TZip zip;
};

// What Info-ZIP's unzip reads for an entry: the reference for extracted files
// (the jar tool adds to the manifest it is given).
std::string StoredContent(const std::string& archive, const std::string& name) {
    return RunCommand({"unzip", "-p", archive, name}).output;
}

class ToolRoundTripTest : public RoundTripTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ToolRoundTripTest, ManifestSpecExtractsTheManifestBelowItsFolder) {
    const std::string jar = (dir / "Snake.jar").string();
    PackWith(GetParam(), kSuite, jar);
    fs::create_directory(dir / "scratch");
    zip.ExtractOptions = 0x10;
    zip.SetZipFileName(jar);
    zip.FileSpecs() = {"META-INF\\manifest.mf"};
    zip.ExtractBaseDir = (dir / "scratch").string();
    EXPECT_EQ(zip.Extract(), 1);
    EXPECT_EQ(ReadFile(dir / "scratch" / "META-INF" / "MANIFEST.MF"), StoredContent(jar, "META-INF/MANIFEST.MF"));
}

TEST_P(ToolRoundTripTest, ExtractAllGivesBackEveryFile) {
    const std::string jar = (dir / "Snake.jar").string();
    PackWith(GetParam(), kSuite, jar);
    fs::create_directory(dir / "out");
    zip.ExtractOptions = 0x10;
    zip.SetZipFileName(jar);
    SelectAllEntries();
    zip.ExtractBaseDir = (dir / "out").string();
    EXPECT_GE(zip.Extract(), 3);
    for (const auto& [name, content] : kSuite)
        EXPECT_EQ(ReadFile(dir / "out" / name), StoredContent(jar, name)) << name;
    EXPECT_EQ(ReadFile(dir / "out" / "snake" / "Main.class"), kSuite.at("snake/Main.class"));
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolRoundTripTest, ::testing::Values("jar", "zip", "python"));

TEST_F(RoundTripTest, AddedFolderReplacesTheManifestInPlaceAndReadsBack) {
    const std::string jar = (dir / "Snake.jar").string();
    PackWith("jar", kSuite, jar);
    const fs::path scratch = dir / "scratch";
    WriteFile(scratch / "META-INF" / "MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: Snake II\r\n");
    WriteFile(scratch / "api" / "Sound.class", std::string(500, 's'));
    zip.SetZipFileName(jar);
    const std::vector<std::string> before = Names();
    int changes = 0;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    zip.FileSpecs() = {"*"};
    zip.AddBaseDir = scratch.string() + "/";
    zip.AddOptions = 0x14;
    EXPECT_EQ(zip.Add(), 2);
    EXPECT_EQ(changes, 1);
    const std::vector<std::string> after = Names();
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
    EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(UnzipTestPasses(jar));
}

}  // namespace
}  // namespace vorlan::test
