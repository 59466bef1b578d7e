// SPDX-License-Identifier: MIT
// Mode 0 on suites as users hold them: what only the old JAD knew is kept
// (a signature only while it holds), every JAD written is one an installer
// reads, every suite written is checked before it is committed, --strict
// keeps back one that would not install, and --repair mends the manifest
// and nothing else of the JAR.
#include <algorithm>

#include "midlet/BatchDriver.h"
#include "suitecheck/SuiteCheck.h"
#include "tests/midlet/BatchFixture.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

bool HasWarningStartingWith(const Lines& warnings, const std::string& start) {
    return std::any_of(warnings.begin(), warnings.end(),
                       [&start](const std::string& warning) { return warning.rfind(start, 0) == 0; });
}

class SuiteWritingTest : public BatchTest {
protected:
    // A suite a phone installs, but for what manifest's bytes say.
    fs::path Snake(const std::string& manifest, const std::string& name = "Snake.jar",
                   const std::string& manifestName = "META-INF/MANIFEST.MF") {
        WriteFile(Suite(name), SnakeJar(manifest, {}, manifestName));
        return Suite(name);
    }
};

TEST_F(SuiteWritingTest, TheOldJadsOwnAttributesFollowTheManifestInTheirOrder) {
    const fs::path jar = Snake(CrLfLines(kSnakeManifest));
    WriteFile(Suite("Snake.jad"),
              "\xEF\xBB\xBFMIDlet-Name: Old name\r\nNokia-MIDlet-Category: Game\r\n"
              "MIDlet-Jar-Size: 1\r\nnot an attribute\r\nMIDlet-Jar-URL: http://x.org/Snake.jar\r\n"
              "unlock-key:  1234\r\n");
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), CrLfLines(kSnakeManifest) + "Nokia-MIDlet-Category: Game\r\n" +
                                                JarSizeAndUrlLines(jar) + "unlock-key:  1234\r\n");
    EXPECT_EQ(host_.warnings[0],
              Lines{"line 4 of Snake.jad is no \"name: value\" attribute and is left out of the new JAD"});
}

struct SignatureCase {
    const char* name;
    bool tamper;  // the JAR changed after it was signed
    bool api;     // an API goes into the JAR
    bool kept;
};

void PrintTo(const SignatureCase& signature, std::ostream* out) {
    *out << signature.name;
}

class SignedSuiteTest : public SuiteWritingTest, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(SignedSuiteTest, TheSignatureStaysOnlyWhileItHolds) {
    if (!ToolAvailable("openssl")) GTEST_SKIP() << "no openssl";
    const SignatureCase& signature = GetParam();
    const fs::path jar = Snake(CrLfLines(kSnakeManifest));
    const std::string signatureLines = SignatureLines(jar);
    WriteFile(Suite("Snake.jad"), CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(jar) + signatureLines);
    if (signature.tamper) WriteFile(jar, SnakeJar(CrLfLines(kSnakeManifest), {StoredEntry("game/level.txt", "hard")}));
    if (signature.api) {
        MakeApi("zip", "api.zip", {{"api/X.class", MidletClassFile("api.X")}});
        host_.CheckApis({"api.zip"});
    }
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    const std::string expected =
        CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(jar) + (signature.kept ? signatureLines : "");
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), expected);
    const Lines unsigned_{"the signature no longer matches the JAR: Snake.jad is unsigned now"};
    EXPECT_EQ(host_.warnings[0], signature.kept ? Lines{} : unsigned_);
}

INSTANTIATE_TEST_SUITE_P(Signatures, SignedSuiteTest,
                         ::testing::Values(SignatureCase{"Unchanged", false, false, true},
                                           SignatureCase{"JarChangedAfterSigning", true, false, false},
                                           SignatureCase{"ApiAdded", false, true, false}),
                         [](const ::testing::TestParamInfo<SignatureCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(SuiteWritingTest, ALineBreakInTheNameFailsTheEntryAndChangesNothing) {
    const fs::path jar = Snake(CrLfLines(kSnakeManifest), "Sna\nke.jar");
    const std::string before = ReadFile(jar);
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_NE(host_.failures[0].find("line break"), std::string::npos) << host_.failures[0];
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(SuitesFolderListing(), Lines{"Sna\nke.jar"});
}

TEST_F(SuiteWritingTest, LegacyTextIsLeftOutOrConvertedButNeverWrittenRaw) {
    Lines cyrillic = kSnakeManifest;
    cyrillic.push_back("MIDlet-Description: \xC7\xEC\xE5\xE9\xEA\xE0");
    const fs::path jar = Snake(CrLfLines(cyrillic));
    const std::string before = ReadFile(jar);
    RunOn({jar});
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(jar));
    EXPECT_EQ(host_.warnings[0],
              Lines{"line 8 of the manifest, \"MIDlet-Description: \\xC7\\xEC\\xE5\\xE9\\xEA\\xE0\", "
                    "is not UTF-8 and is left out of the JAD; give its code page with "
                    "--manifest-charset (windows-1251 for Cyrillic, for example) to convert it"});

    const std::string converted = "MIDlet-Description: \xD0\x97\xD0\xBC\xD0\xB5\xD0\xB9\xD0\xBA\xD0\xB0\r\n";
    host_.manifestCharset = "windows-1251";
    RunOn({jar});
    EXPECT_EQ(ReadFile(jar), before);  // the manifest itself only with --repair
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), CrLfLines(kSnakeManifest) + converted + JarSizeAndUrlLines(jar));

    host_.repair = true;
    RunOn({jar});
    EXPECT_EQ(ArchiveEntry(jar, "META-INF/MANIFEST.MF"), CrLfLines(kSnakeManifest) + converted);
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), CrLfLines(kSnakeManifest) + converted + JarSizeAndUrlLines(jar));
    EXPECT_EQ(host_.warnings[0], Lines{"repaired: the text converted from windows-1251 to UTF-8"});
}

TEST_F(SuiteWritingTest, AWrittenSuiteThatWouldNotInstallIsReportedAndWithStrictKeptBack) {
    const fs::path jar = Snake("\xEF\xBB\xBF" + CrLfLines(kSnakeManifest));
    WriteFile(Suite("Snake.jad"), "old JAD\r\n");
    const std::string before = ReadFile(jar);
    host_.strict = true;
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_NE(host_.failures[0].find("--strict"), std::string::npos) << host_.failures[0];
    EXPECT_TRUE(HasWarningStartingWith(host_.warnings[0], "would not install: MANIFEST: line 1: "));
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), "old JAD\r\n");
    EXPECT_EQ(SuitesFolderListing(), (Lines{"Snake.jad", "Snake.jar"}));

    host_.strict = false;
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    EXPECT_TRUE(HasWarningStartingWith(host_.warnings[0], "would not install: MANIFEST: line 1: "));
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(jar));  // no mark in the JAD
}

// A suite kept back after the API files went into it leaves them in the
// scratch folder as they were: the next JAR gets them, and only them.
TEST_F(SuiteWritingTest, ASuiteKeptBackByStrictLeavesTheApiFilesForTheNextJar) {
    MakeApi("zip", "api.zip", {{"api/notes.txt", "api notes"}});
    host_.CheckApis({"api.zip"});
    const fs::path refused = Snake("\xEF\xBB\xBF" + CrLfLines(kSnakeManifest), "Refused.jar");
    const fs::path sound = Snake(CrLfLines(kSnakeManifest), "Sound.jar");
    const std::string before = ReadFile(refused);
    host_.strict = true;
    RunOn({refused, sound});
    EXPECT_EQ(host_.checked, (std::vector<int>{0, 1}));
    EXPECT_EQ(ReadFile(refused), before);
    EXPECT_EQ(ArchiveEntry(sound, "api/notes.txt"), "api notes");
    EXPECT_EQ(ArchiveEntry(sound, "META-INF/MANIFEST.MF"), CrLfLines(kSnakeManifest));
    EXPECT_EQ(ArchiveNames(sound).size(), 3u);
}

TEST_F(SuiteWritingTest, TheApiClassesAddedAreCheckedOnceAndToldOncePerRule) {
    MakeApi("zip", "api.zip", {{"api/A.class", "junk"}, {"api/B.class", "junk"}, {"api/C.class", "junk"}});
    host_.CheckApis({"api.zip"});
    const fs::path first = Snake(CrLfLines(kSnakeManifest), "First.jar");
    const fs::path second = Snake(CrLfLines(kSnakeManifest), "Second.jar");
    RunOn({first, second});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1}));
    for (const Lines& warnings : host_.warnings) {
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].rfind("would not start: CLASS_FORMAT: api/", 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find("(and 2 more class files of the API files added)"), std::string::npos);
    }
}

TEST_F(SuiteWritingTest, RepairRewritesTheManifestOnlyAndOnlyWhenItIsFaulty) {
    const fs::path sound = Snake(CrLfLines(kSnakeManifest), "Sound.jar");
    const std::string soundBefore = ReadFile(sound);
    const fs::path faulty = MakeJar("python", "Faulty.jar",
                                    {{"meta-inf/manifest.mf", "\xEF\xBB\xBF" + CrLfLines(kSnakeManifest)},
                                     {"game/Main.class", MidletClassFile("game.Main")},
                                     {"z/data.bin", std::string(3000, 'z')}});
    Lines namesAfter = ArchiveNames(faulty);
    std::replace(namesAfter.begin(), namesAfter.end(), std::string("meta-inf/manifest.mf"),
                 std::string("META-INF/MANIFEST.MF"));
    host_.repair = true;
    RunOn({sound, faulty});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1}));
    EXPECT_EQ(ReadFile(sound), soundBefore);
    EXPECT_EQ(host_.warnings[0], Lines{});
    EXPECT_EQ(host_.warnings[1], (Lines{"repaired: the byte-order mark removed",
                                        "repaired: the manifest stored as META-INF/MANIFEST.MF, not "
                                        "meta-inf/manifest.mf"}));
    EXPECT_EQ(ArchiveNames(faulty), namesAfter);  // in place, every other entry as it was
    EXPECT_EQ(ArchiveEntry(faulty, "META-INF/MANIFEST.MF"), CrLfLines(kSnakeManifest));
    EXPECT_EQ(ArchiveEntry(faulty, "game/Main.class"), MidletClassFile("game.Main"));
    EXPECT_EQ(ArchiveEntry(faulty, "z/data.bin"), std::string(3000, 'z'));
    EXPECT_TRUE(CheckSuite(Suite("Faulty.jad").string()).List().empty());
}

}  // namespace
}  // namespace vorlan::test
