// SPDX-License-Identifier: MIT
// Mode 1 end to end: fix suites built from the template for JAR and JAD
// inputs, and the old suite left untouched whenever the fix cannot be built.
#include <algorithm>
#include <functional>
#include <map>

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
        return CrLfLines(manifest) + JarSizeAndUrlLines(jar);
    }
    // A fix suite: the template's classes, one manifest, readable by Java.
    void ExpectFixJar(const fs::path& jar) {
        const Lines names = ArchiveNames(jar);
        EXPECT_NE(std::find(names.begin(), names.end(), "br/BookReader.class"), names.end());
        EXPECT_EQ(ArchiveEntry(jar, "br/BookReader.class"), ArchiveEntry(FixTemplatePath, "br/BookReader.class"));
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
    EXPECT_EQ(ArchiveEntry(jar, "META-INF/MANIFEST.MF"), CrLfLines(fixedSnake_));
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
    EXPECT_EQ(ArchiveEntry(jar, "META-INF/MANIFEST.MF"), CrLfLines(fixed));
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
    EXPECT_EQ(ArchiveEntry(jar, "META-INF/MANIFEST.MF"),
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
    EXPECT_NE(ArchiveEntry(nameless, "META-INF/MANIFEST.MF").find("MIDlet-1: Nameless,,br.BookReader\r\n"),
              std::string::npos);
}

// When the fix cannot be built, or the entry is no suite to fix, the entry
// fails and every file of the suites folder stays as it was.
TEST_F(FixBatchTest, WhatCannotBeFixedIsLeftUntouched) {
    const std::string fixTemplate = FixTemplatePath;
    struct Case {
        const char* name;
        std::function<std::vector<fs::path>()> make;  // fills the suites folder; gives the entries
    };
    const Case cases[] = {
        {"a missing template",
         [&] {
             WriteFile(Suite("Snake.jad"), "old descriptor\r\n");
             FixTemplatePath = (work_ / "no-such-fix.jar").string();
             return std::vector<fs::path>{Snake(), Suite("Snake.jad")};
         }},
        {"a template that is no zip",
         [&] {
             WriteFile(work_ / "broken-fix.jar", "this is no zip archive");
             FixTemplatePath = (work_ / "broken-fix.jar").string();
             return std::vector<fs::path>{Snake()};
         }},
        // A fix JAR without its descriptor would not install: the JAR stays too.
        {"a descriptor that cannot be replaced",
         [&] {
             WriteFile(Suite("Snake.jad"), "old descriptor\r\n");
             fs::permissions(Suite("Snake.jad"), fs::perms::owner_read | fs::perms::group_read);
             return std::vector<fs::path>{Snake()};
         }},
        {"neither a JAR nor a JAD",
         [&] {
             WriteFile(Suite("notes.txt"), "text");
             return std::vector<fs::path>{Suite("notes.txt")};
         }},
        {"a JAR without manifest",
         [&] {
             return std::vector<fs::path>{MakeJar("zip", "bare.jar", {{"a/A.class", "a"}})};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(suites_);
        fs::create_directories(suites_);
        FixTemplatePath = fixTemplate;
        const std::vector<fs::path> entries = c.make();
        const Lines listing = SuitesFolderListing();
        const std::map<std::string, std::string> contents = FolderContents(suites_);
        RunOn(entries);
        EXPECT_EQ(host_.checked, std::vector<int>(entries.size(), 0));
        EXPECT_EQ(SuitesFolderListing(), listing);
        EXPECT_EQ(FolderContents(suites_), contents);
    }
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
