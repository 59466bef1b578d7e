// SPDX-License-Identifier: MIT
// Mode 1 end to end: fix suites built from the template for JAR and JAD
// inputs, and the old suite left untouched whenever the fix cannot be built.
#include <algorithm>

#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "tests/midlet/BatchFixture.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

class FixBatchTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        host_.mode = BatchMode::BuildFix;
    }
    fs::path Snake(const std::string& name = "Snake.jar") {
        return MakeJar(
            "zip", name,
            {{"META-INF/MANIFEST.MF",
              CrLfLines({"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Vendor: Games", "MIDlet-Version: 1.0.2",
                         "MIDlet-1: Snake, /i.png, snake.Main", "MIDlet-2: Other, /o.png, snake.Other"})},
             {"snake/Main.class", "snake"}});
    }
    std::string Descriptor(const fs::path& jar, const Lines& manifest) {
        return CrLfLines(manifest) + "MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar)) +
               "\r\nMIDlet-Jar-URL: " + jar.filename().string() + "\r\n";
    }
    // A fix suite: the template's classes, one manifest, readable by Java.
    void ExpectFixJar(const fs::path& jar) {
        const Lines names = Names(jar);
        EXPECT_NE(std::find(names.begin(), names.end(), "br/BookReader.class"), names.end());
        EXPECT_EQ(Entry(jar, "br/BookReader.class"), Entry(FixTemplatePath, "br/BookReader.class"));
        EXPECT_EQ(
            std::count_if(names.begin(), names.end(), [](const std::string& n) { return n == "META-INF/MANIFEST.MF"; }),
            1);
        EXPECT_EQ(names.size(), 2u) << "nothing but the template and its manifest";
        EXPECT_TRUE(UnzipTestPasses(jar));
        EXPECT_NO_THROW(JavaReadManifest(jar));
    }

    // MIDlet-2 goes (its class is not in the fix JAR); the configuration and
    // profile come from the template's manifest.
    const Lines fixedSnake_{"Manifest-Version: 1.0",
                            "MIDlet-Name: Snake",
                            "MIDlet-Vendor: Games",
                            "MIDlet-Version: 9.9.9",
                            "MIDlet-1: Snake,,br.BookReader",
                            "MicroEdition-Profile: MIDP-2.0",
                            "MicroEdition-Configuration: CLDC-1.1"};
};

TEST_F(FixBatchTest, AJarBecomesTheTemplateWithTheRewrittenManifest) {
    const fs::path jar = Snake();
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    ExpectFixJar(jar);
    EXPECT_EQ(Entry(jar, "META-INF/MANIFEST.MF"), CrLfLines(fixedSnake_));
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), Descriptor(jar, fixedSnake_));
    const Lines attributes = JavaReadManifest(jar);
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), "MIDlet-1: Snake,,br.BookReader"), attributes.end());
    EXPECT_TRUE(app_.messages.empty());
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.jad", "Snake.jar"}));
    EXPECT_FALSE(ScratchFolderExists());
}

TEST_F(FixBatchTest, ALinkToAJarStaysALinkAndItsTargetBecomesTheFix) {
    const fs::path jar = Snake("Real.jar");
    fs::create_symlink("Real.jar", Suite("Snake.jar"));
    RunOn({Suite("Snake.jar")});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    ASSERT_TRUE(fs::is_symlink(Suite("Snake.jar"))) << "the link was replaced by a file";
    EXPECT_EQ(fs::read_symlink(Suite("Snake.jar")), "Real.jar");
    ExpectFixJar(jar);
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), Descriptor(Suite("Snake.jar"), fixedSnake_));
}

TEST_F(FixBatchTest, AJadBringsItsSizeAndUrlLinesIntoTheNewJarsManifest) {
    const Lines oldJad{"MIDlet-Name: Snake", "MIDlet-Version: 1.0", "MIDlet-1: Snake,/i.png,snake.Main",
                       "MIDlet-Jar-Size: 1234", "MIDlet-Jar-URL: http://example.org/Snake.jar"};
    WriteFile(Suite("Snake.JAD"), CrLfLines(oldJad));
    host_.fixVersion = "9999.9.9";
    RunOn({Suite("Snake.JAD")});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    const fs::path jar = Suite("Snake.jar");
    ExpectFixJar(jar);
    const Lines fixed{"MIDlet-Name: Snake",
                      "MIDlet-Version: 9999.9.9",
                      "MIDlet-1: Snake,,br.BookReader",
                      "MIDlet-Jar-Size: 1234",
                      "MIDlet-Jar-URL: http://example.org/Snake.jar",
                      "MicroEdition-Profile: MIDP-2.0",
                      "MicroEdition-Configuration: CLDC-1.1"};
    EXPECT_EQ(Entry(jar, "META-INF/MANIFEST.MF"), CrLfLines(fixed));
    EXPECT_EQ(ReadFile(Suite("Snake.JAD")),
              CrLfLines({"MIDlet-Name: Snake", "MIDlet-Version: 9999.9.9", "MIDlet-1: Snake,,br.BookReader",
                         "MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar)), "MIDlet-Jar-URL: Snake.jar",
                         "MicroEdition-Profile: MIDP-2.0", "MicroEdition-Configuration: CLDC-1.1"}));
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.JAD", "Snake.jar"}));
    // The suite as the user held it: its JAD's version, no JAR before.
    ASSERT_EQ(host_.facts.size(), 1u);
    EXPECT_EQ(host_.facts[0].midletName, "Snake");
    EXPECT_EQ(host_.facts[0].midletVersion, "1.0");
    EXPECT_EQ(host_.facts[0].jarSizeBefore, -1);
    EXPECT_EQ(host_.facts[0].jarSizeAfter, static_cast<std::int64_t>(fs::file_size(jar)));
}

TEST_F(FixBatchTest, AJadReplacesTheJarBesideItInWhateverCaseItHas) {
    Snake("Snake.JAR");
    WriteFile(Suite("Snake.jad"), CrLfLines({"MIDlet-Version: 1", "MIDlet-1: S,,s.S"}));
    RunOn({Suite("Snake.jad")});
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.JAR", "Snake.jad"}));
    ExpectFixJar(Suite("Snake.JAR"));
}

TEST_F(FixBatchTest, AJadWithAByteOrderMarkGivesAFixJavaReads) {
    Snake();
    WriteFile(Suite("Snake.jad"), "\xEF\xBB\xBF" + CrLfLines({"MIDlet-Name: Snake", "MIDlet-Vendor: Games",
                                                              "MIDlet-Version: 1", "MIDlet-1: S,,s.S"}));
    RunOn({Suite("Snake.jad")});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    ExpectFixJar(Suite("Snake.jar"));
    EXPECT_EQ(ReadFile(Suite("Snake.jad")).rfind("MIDlet-Name: Snake\r\n", 0), 0u);
}

TEST_F(FixBatchTest, AManifestWithoutMidletOneIsWarnedAboutAndGetsTheReader) {
    const fs::path jar =
        MakeJar("python", "NoMidlet.jar",
                {{"META-INF/MANIFEST.MF", CrLfLines({"MIDlet-Name: N", "MIDlet-Version: 1.0"})}, {"n/N.class", "n"}});
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    ASSERT_EQ(app_.messages.size(), 1u);
    EXPECT_EQ(app_.messages[0].text, "Manifest corrupt! No MIDlet-1 tag!");
    EXPECT_EQ(app_.messages[0].caption, "Vorlan");
    EXPECT_EQ(Entry(jar, "META-INF/MANIFEST.MF"),
              CrLfLines({"MIDlet-Name: N", "MIDlet-Version: 9.9.9", "MicroEdition-Profile: MIDP-2.0",
                         "MicroEdition-Configuration: CLDC-1.1", "MIDlet-1: N,,br.BookReader"}));
    ASSERT_FALSE(host_.warnings[0].empty());
    EXPECT_EQ(host_.warnings[0][0],
              "the manifest has no MIDlet-1, without which the fix would not install: the fix "
              "runs its reader as \"MIDlet-1: N,,br.BookReader\"");
    ExpectFixJar(jar);

    // Without a name either, the file's name stands in.
    const fs::path nameless = MakeJar(
        "python", "Nameless.jar", {{"META-INF/MANIFEST.MF", CrLfLines({"MIDlet-Version: 1.0"})}, {"n/N.class", "n"}});
    RunOn({nameless});
    EXPECT_NE(Entry(nameless, "META-INF/MANIFEST.MF").find("MIDlet-1: Nameless,,br.BookReader\r\n"), std::string::npos);
}

TEST_F(FixBatchTest, AMissingTemplateLeavesTheOldSuiteUntouched) {
    const fs::path jar = Snake();
    WriteFile(Suite("Snake.jad"), "old descriptor\r\n");
    const std::string before = ReadFile(jar);
    FixTemplatePath = (work_ / "no-such-fix.jar").string();
    RunOn({jar, Suite("Snake.jad")});
    EXPECT_EQ(host_.checked, (std::vector<int>{0, 0}));
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), "old descriptor\r\n");
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.jad", "Snake.jar"}));
}

TEST_F(FixBatchTest, ATemplateThatIsNoZipLeavesTheOldSuiteUntouched) {
    const fs::path jar = Snake();
    const std::string before = ReadFile(jar);
    WriteFile(work_ / "broken-fix.jar", "this is no zip archive");
    FixTemplatePath = (work_ / "broken-fix.jar").string();
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.jar"}));
}

TEST_F(FixBatchTest, ADescriptorThatCannotBeReplacedLeavesTheWholeOldSuiteUntouched) {
    const fs::path jar = Snake();
    const std::string before = ReadFile(jar);
    WriteFile(Suite("Snake.jad"), "old descriptor\r\n");
    fs::permissions(Suite("Snake.jad"), fs::perms::owner_read | fs::perms::group_read);
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_EQ(ReadFile(jar), before) << "a fix JAR without its descriptor would not install";
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), "old descriptor\r\n");
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.jad", "Snake.jar"}));
}

TEST_F(FixBatchTest, EntriesThatAreNeitherJarNorJadFailUntouched) {
    WriteFile(Suite("notes.txt"), "text");
    RunOn({Suite("notes.txt")});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_EQ(SuitesFolderListing(), (Lines{"notes.txt"}));
}

TEST_F(FixBatchTest, AJarWithoutManifestFailsUnchanged) {
    const fs::path jar = MakeJar("zip", "bare.jar", {{"a/A.class", "a"}});
    const std::string before = ReadFile(jar);
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(SuitesFolderListing(), (Lines{"bare.jar"}));
}

TEST_F(FixBatchTest, FixSuitesCarryNoApiFiles) {
    MakeApi("zip", "api.zip", {{"api/X.class", "x"}});
    host_.CheckApis({"api.zip"});
    const fs::path first = Snake("First.jar");
    const fs::path second = Snake("Second.jar");
    RunOn({first, second});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1}));
    ExpectFixJar(first);
    ExpectFixJar(second);
}

}  // namespace
}  // namespace vorlan::test
