// SPDX-License-Identifier: MIT
// JAD descriptors from the manifest in ManifestBuffer: the size and URL lines,
// byte for byte, and the names derived from a JAR's path.
#include <gtest/gtest.h>

#include "midlet/Descriptor.h"
#include "midlet/FolderNameIndex.h"
#include "midlet/Globals.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "tests/support/ScriptedApplication.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

Lines Apply(const Lines& manifest, const std::string& size, const std::string& url) {
    TextLines lines;
    for (const std::string& line : manifest) lines.Add(line);
    SetJarSizeAndUrl(lines, size, url);
    return lines.Lines();
}

TEST(SetJarSizeAndUrlTest, AppendsTheMissingLinesSizeFirstAfterEverythingElse) {
    EXPECT_EQ(Apply({"MIDlet-Name: Snake", ""}, "7", "Snake.jar"),
              (Lines{"MIDlet-Name: Snake", "", "MIDlet-Jar-Size: 7", "MIDlet-Jar-URL: Snake.jar"}));
    EXPECT_EQ(Apply({}, "0", "a.jar"), (Lines{"MIDlet-Jar-Size: 0", "MIDlet-Jar-URL: a.jar"}));
}

TEST(SetJarSizeAndUrlTest, ReplacesEveryMatchingLineWhereItStandsInAnyCase) {
    EXPECT_EQ(
        Apply({"MIDlet-Jar-URL: http://example.org/s.jar", "MIDlet-Name: S", "midlet-jar-size: 1"}, "90", "S.jar"),
        (Lines{"MIDlet-Jar-URL: S.jar", "MIDlet-Name: S", "MIDlet-Jar-Size: 90"}));
    EXPECT_EQ(Apply({"MIDLET-JAR-SIZE:1", "x", "MIDlet-Jar-Size: 2"}, "5", "u"),
              (Lines{"MIDlet-Jar-Size: 5", "x", "MIDlet-Jar-Size: 5", "MIDlet-Jar-URL: u"}));
}

TEST(SetJarSizeAndUrlTest, JoinsContinuationLinesSoThatFoldedSizeAndUrlLinesAreReplacedWhole) {
    EXPECT_EQ(Apply({" stray", "MIDlet-1: Snake, /i.png,", " snake.Main", "MIDlet-Jar-URL: http://example.org/long",
                     " /path/Snake.jar", "", "Name: x"},
                    "7", "Snake.jar"),
              (Lines{"stray", "MIDlet-1: Snake, /i.png,snake.Main", "MIDlet-Jar-URL: Snake.jar", "", "Name: x",
                     "MIDlet-Jar-Size: 7"}));
    // A continuation after an empty line continues nothing: it must not become
    // a continuation of the rewritten line before it when the lines are joined again.
    TextLines lines;
    for (const char* line : {"MIDlet-Jar-URL: x", "", "   y", "  z"}) lines.Add(line);
    SetJarSizeAndUrl(lines, "7", "S.jar");
    EXPECT_EQ(lines.Lines(), (Lines{"MIDlet-Jar-URL: S.jar", "y z", "MIDlet-Jar-Size: 7"}));
    JoinContinuationLines(lines);
    EXPECT_EQ(lines.Lines(), (Lines{"MIDlet-Jar-URL: S.jar", "y z", "MIDlet-Jar-Size: 7"}));
}

TEST(SetJarSizeAndUrlTest, MatchesAnywhereInTheLineEvenInAValue) {
    EXPECT_EQ(Apply({"MIDlet-Description: see Midlet-Jar-URL"}, "1", "a.jar"),
              (Lines{"MIDlet-Jar-URL: a.jar", "MIDlet-Jar-Size: 1"}));
    // A line holding both keys becomes the size line; the URL line is then missing.
    EXPECT_EQ(Apply({"midlet-jar-size midlet-jar-url"}, "1", "a.jar"),
              (Lines{"MIDlet-Jar-Size: 1", "MIDlet-Jar-URL: a.jar"}));
}

TEST(PathNamesTest, ExtensionsFileNamesAndDerivedPaths) {
    EXPECT_EQ(LowerExtension("/g/Snake.JAR"), ".jar");
    EXPECT_EQ(LowerExtension("/g.d/Snake"), "");
    EXPECT_EQ(LowerExtension("/g/a.tar.Jad"), ".jad");
    EXPECT_EQ(ReplaceLastThree("/g/Snake.JAR", "jad"), "/g/Snake.jad");
    EXPECT_EQ(FileNamePart("/g/Snake.jar"), "Snake.jar");
    EXPECT_EQ(FileNamePart("Snake.jar"), "Snake.jar");
    EXPECT_EQ(FileNamePart("/g/C:Snake\\x.jar"), "C:Snake\\x.jar");  // ":" and "\" are ordinary here
}

TEST(FolderNameIndexTest, ADerivedNameFindsAnExistingFileInAnyLetterCase) {
    TempDir dir;
    WriteFile(dir / "Snake.JAD", "");
    WriteFile(dir / "Both.jad", "");
    WriteFile(dir / "Both.JAD", "");
    FolderNameIndex names;
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "Snake.jad").string()), (dir / "Snake.JAD").string());
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "snake.Jad").string()), (dir / "Snake.JAD").string());
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "Both.jad").string()), (dir / "Both.jad").string());
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "New.jad").string()), (dir / "New.jad").string());
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "nofolder/x.jad").string()), (dir / "nofolder/x.jad").string());
}

TEST(FolderNameIndexTest, KnowsWhatTheBatchCreatedAndWhatWentSinceItsFolderWasRead) {
    TempDir dir;
    WriteFile(dir / "Gone.JAD", "");
    FolderNameIndex names;
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "a.jad").string()), (dir / "a.jad").string());  // folder read
    WriteFile(dir / "Made.jad", "");
    names.Created((dir / "Made.jad").string());
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "MADE.JAD").string()), (dir / "Made.jad").string());
    fs::remove(dir / "Gone.JAD");
    EXPECT_EQ(names.ExistingNameInAnyCase((dir / "Gone.jad").string()), (dir / "Gone.jad").string());
}

// The descriptor written for a JAR of jarSize bytes named jarName whose
// manifest file holds manifest, byte for byte.
TEST(PrepareDescriptorTest, WritesTheManifestWithTheJarsSizeAndNameInCrLfLines) {
    struct Case {
        const char* name;
        std::string manifest;
        std::size_t jarSize;
        std::string jarName;
        std::string descriptor;
    };
    const std::string snake = CrLfLines(
        {"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 1.0.2", "MIDlet-1: Snake,/i.png,Snake", ""});
    const char withNul[] = "MIDlet-Name: Snake\r\nMIDlet-Ver\0sion: 1.0\r\ngone\r\n";
    const Case cases[] = {
        {"the Snake example", snake, 51234, "Snake.jar",
         snake + "MIDlet-Jar-Size: 51234\r\nMIDlet-Jar-URL: Snake.jar\r\n"},
        {"size and URL lines replaced, nothing appended",
         "MIDlet-Jar-URL: http://example.org/get?Snake.jar\r\nMIDlet-Name: Snake\r\nmidlet-jar-size: 1\r\n", 300,
         "Snake.jar", "MIDlet-Jar-URL: Snake.jar\r\nMIDlet-Name: Snake\r\nMIDlet-Jar-Size: 300\r\n"},
        {"LF line ends", "MIDlet-Name: Snake\nMIDlet-Version: 1.0\n", 10, "Snake.jar",
         "MIDlet-Name: Snake\r\nMIDlet-Version: 1.0\r\nMIDlet-Jar-Size: 10\r\nMIDlet-Jar-URL: Snake.jar\r\n"},
        {"a NUL ends the text", std::string(withNul, sizeof withNul - 1), 10, "Snake.jar",
         "MIDlet-Name: Snake\r\nMIDlet-Ver\r\nMIDlet-Jar-Size: 10\r\nMIDlet-Jar-URL: Snake.jar\r\n"},
        {"an empty manifest", "", 10, "Snake.jar", "MIDlet-Jar-Size: 10\r\nMIDlet-Jar-URL: Snake.jar\r\n"},
        // The URL is the file name whatever it holds.
        {"an odd file name", "", 3, "Game [v1.2] C:x.jar",
         "MIDlet-Jar-Size: 3\r\nMIDlet-Jar-URL: Game [v1.2] C:x.jar\r\n"},
    };
    InstalledApplication app;
    ManifestBuffer = std::make_unique<TextLines>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int pumps = app.pumps;
        TempDir dir;
        WriteFile(dir / "manifest.mf", c.manifest);
        WriteFile(dir / c.jarName, std::string(c.jarSize, 'j'));
        ManifestBuffer->LoadFromFile((dir / "manifest.mf").string());
        PrepareDescriptor((dir / c.jarName).string(), (dir / c.jarName).string(), (dir / "Snake.jad").string())
            .Publish();
        EXPECT_EQ(ReadFile(dir / "Snake.jad"), c.descriptor);
        if (!c.manifest.empty()) {
            EXPECT_GT(app.pumps, pumps) << "the messages are pumped while it works";
        }
    }
}

TEST(FileSizeByNameTest, SizeOfTheFirstMatchOrMinusOne) {
    TempDir dir;
    WriteFile(dir / "Snake.jar", std::string(51234, 's'));
    EXPECT_EQ(FileSizeByName((dir / "Snake.jar").string()), 51234);
    EXPECT_EQ(FileSizeByName((dir / "SNAKE.JAR").string()), 51234);  // names match in any case
    EXPECT_EQ(FileSizeByName((dir / "Sn*.jar").string()), 51234);    // the path is a pattern
    EXPECT_EQ(FileSizeByName((dir / "missing.jar").string()), -1);
    EXPECT_EQ(FileSizeByName((dir / "nofolder/Snake.jar").string()), -1);
}

TEST(FileSizeByNameTest, SizesBeyondTwoGibibytesWrapToTheirLowThirtyTwoBits) {
    TempDir dir;
    const fs::path big = dir / "big.jar";
    WriteFile(big, "");
    fs::resize_file(big, 0x80000005ull);  // sparse
    EXPECT_EQ(FileSizeByName(big.string()), -2147483643);
    fs::resize_file(big, 0x100000007ull);
    EXPECT_EQ(FileSizeByName(big.string()), 7);
}

}  // namespace
}  // namespace vorlan::test
