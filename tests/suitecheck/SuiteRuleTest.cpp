// SPDX-License-Identifier: MIT
// vorlan-batch --check rule by rule: a sound suite has no finding, and each
// suite broken in one way is reported under that one rule, as an error or,
// where phones cope, as a warning.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "suitecheck/DescriptorSyntax.h"
#include "suitecheck/SuiteCheck.h"
#include "tests/support/ScriptedApplication.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

// A sound suite made of parts that a case breaks before it is written.
struct SuiteParts {
    Lines manifest{"Manifest-Version: 1.0",
                   "MIDlet-Name: Snake",
                   "MIDlet-Vendor: Games",
                   "MIDlet-Version: 1.0.2",
                   "MIDlet-1: Snake, /i.png, game.Main",
                   "MicroEdition-Configuration: CLDC-1.1",
                   "MicroEdition-Profile: MIDP-2.0"};
    Lines jad{"MIDlet-Name: Snake",
              "MIDlet-Vendor: Games",
              "MIDlet-Version: 1.0.2",
              "MIDlet-1: Snake, /i.png, game.Main",
              "MicroEdition-Configuration: CLDC-1.1",
              "MicroEdition-Profile: MIDP-2.0",
              "MIDlet-Jar-URL: Snake.jar"};
    std::vector<ZipEntry> entries{StoredEntry("game/Main.class", MidletClassFile("game.Main")),
                                  StoredEntry("i.png", "png")};
    long sizeOffset = 0;  // added to the JAR's true size in the JAD
    std::string jarName = "Snake.jar";
};

void Replace(Lines& lines, const std::string& prefix, const std::string& line) {
    for (std::string& each : lines)
        if (each.rfind(prefix, 0) == 0) each = line;
}

void Both(SuiteParts& parts, const std::string& prefix, const std::string& line) {
    Replace(parts.manifest, prefix, line);
    Replace(parts.jad, prefix, line);
}

struct RuleCase {
    const char* name;
    const char* rule;  // "" for the sound suite
    bool error;
    std::function<void(SuiteParts&)> breakIt;
};

void PrintTo(const RuleCase& rule, std::ostream* out) {
    *out << rule.name;
}

// The suite checked in a folder of the test's own, with the application
// object the check may need.
class SuiteCheckTest : public ::testing::Test {
protected:
    // Snake.jad and its JAR, from parts.
    fs::path Write(const SuiteParts& parts) {
        std::vector<ZipEntry> entries{StoredEntry("META-INF/MANIFEST.MF", CrLfLines(parts.manifest))};
        entries.insert(entries.end(), parts.entries.begin(), parts.entries.end());
        const std::string jar = ZipArchive({}, entries).bytes();
        WriteFile(dir_ / parts.jarName, jar);
        const long size = static_cast<long>(jar.size()) + parts.sizeOffset;
        WriteFile(dir_ / "Snake.jad", CrLfLines(parts.jad) + "MIDlet-Jar-Size: " + std::to_string(size) + "\r\n");
        return dir_ / "Snake.jad";
    }

    TempDir dir_;
    InstalledApplication app_;
};

class SuiteRuleTest : public SuiteCheckTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(SuiteRuleTest, OnlyTheBrokenRuleIsReported) {
    const RuleCase& rule = GetParam();
    SuiteParts parts;
    rule.breakIt(parts);
    const Findings findings = CheckSuite(Write(parts).string());
    std::set<std::string> rules;
    std::string shown;
    for (const Finding& finding : findings.List()) {
        rules.insert(finding.rule);
        shown += finding.rule + ": " + finding.text + "\n";
    }
    const std::set<std::string> expected = *rule.rule ? std::set<std::string>{rule.rule} : std::set<std::string>{};
    EXPECT_EQ(rules, expected) << shown;
    EXPECT_EQ(findings.HasError(), rule.error) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SuiteRuleTest,
    ::testing::Values(
        RuleCase{"Sound", "", false, [](SuiteParts &) {}},
        RuleCase{"ContinuationLineInJad", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.insert(p.jad.begin() + 4, " continued"); }},
        RuleCase{"SeparatorInJadName", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.push_back("X Note: y"); }},
        RuleCase{"JadNotUtf8", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Info: caf\xE9"); }},
        // What Java's decoder refuses: a surrogate, an overlong form, a lead byte past U+10FFFF.
        RuleCase{"JadWithSurrogate", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Info: \xED\xA0\x80"); }},
        RuleCase{"JadWithOverlongForm", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Info: \xE0\x80\xAF"); }},
        RuleCase{"JadWithLeadByteF5", "JAD_SYNTAX", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Info: \xF5\x80\x80\x80"); }},
        RuleCase{"NoVendorInJad", "MISSING_ATTRIBUTE", true,
                 [](SuiteParts &p) { p.jad.erase(p.jad.begin() + 1); }},
        RuleCase{"NoProfileAnywhere", "MISSING_ATTRIBUTE", true,
                 [](SuiteParts &p) {
                     p.jad.erase(p.jad.begin() + 5);
                     p.manifest.erase(p.manifest.begin() + 6);
                 }},
        RuleCase{"FourPartVersion", "VERSION_FORMAT", true,
                 [](SuiteParts &p) { Both(p, "MIDlet-Version:", "MIDlet-Version: 1.0.2.3"); }},
        RuleCase{"VersionPartAbove99", "VERSION_FORMAT", false,
                 [](SuiteParts &p) { Both(p, "MIDlet-Version:", "MIDlet-Version: 9999.9.9"); }},
        RuleCase{"NameDiffers", "JAD_MANIFEST_MISMATCH", true,
                 [](SuiteParts &p) { Replace(p.jad, "MIDlet-Name:", "MIDlet-Name: Snake II"); }},
        RuleCase{"NoJarBeside", "JAR_NOT_FOUND", true, [](SuiteParts &p) { p.jarName = "Elsewhere.jar"; }},
        RuleCase{"UrlNamesAnotherJarThatIsNotThere", "JAR_NOT_FOUND", true,
                 [](SuiteParts &p) { Replace(p.jad, "MIDlet-Jar-URL:", "MIDlet-Jar-URL: Other.jar"); }},
        RuleCase{"UrlIsAWebAddress", "JAR_NOT_FOUND", false,
                 [](SuiteParts &p) { Replace(p.jad, "MIDlet-Jar-URL:", "MIDlet-Jar-URL: http://x.org/g/Snake.jar"); }},
        RuleCase{"SizeOffByOne", "JAR_SIZE", true, [](SuiteParts &p) { p.sizeOffset = 1; }},
        RuleCase{"WrongCrc", "ZIP_FORMAT", true, [](SuiteParts &p) { p.entries[1].crc = 1; }},
        RuleCase{"LocalHeaderNamesAnother", "ZIP_FORMAT", true,
                 [](SuiteParts &p) { p.entries.back().localHeaderOffset = 0; }},
        RuleCase{"EmptyLineInMainSection", "MANIFEST", true,
                 [](SuiteParts &p) { p.manifest.insert(p.manifest.begin() + 5, ""); }},
        RuleCase{"LineOver510Bytes", "MANIFEST", true,
                 [](SuiteParts &p) { p.manifest.push_back("X-Note: " + std::string(503, 'n')); }},
        RuleCase{"NoSpaceAfterColon", "MANIFEST", true,
                 [](SuiteParts &p) { p.manifest.push_back("X-Note:y"); }},
        RuleCase{"MidletClassMissing", "MIDLET_CLASS", true,
                 [](SuiteParts &p) { Both(p, "MIDlet-1:", "MIDlet-1: Snake, /i.png, game.Gone"); }},
        RuleCase{"PushToAnotherClass", "PUSH_CLASS", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Push-1: socket://:5000, game.Other, *"); }},
        RuleCase{"PushConnectionNoUrl", "PUSH", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Push-1: :5000, game.Main, *"); }},
        RuleCase{"PushConnectionTwice", "PUSH", true,
                 [](SuiteParts &p) {
                     p.jad.push_back("MIDlet-Push-1: sms://:5000, game.Main, *");
                     p.jad.push_back("MIDlet-Push-2: sms://:5000, game.Main, +123*");
                 }},
        RuleCase{"PushWithoutSender", "PUSH", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Push-1: socket://:5000, game.Main, "); }},
        RuleCase{"DataSizeWithUnit", "DATA_SIZE", true,
                 [](SuiteParts &p) { p.manifest.push_back("MIDlet-Data-Size: 2 KB"); }},
        RuleCase{"InstallNotifyNoUrl", "NOTIFY", false,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Install-Notify: www.example.org/notify"); }},
        RuleCase{"IconMissing", "ICON", false, [](SuiteParts &p) { p.entries.pop_back(); }},
        RuleCase{"UnknownProfile", "DEVICE", true,
                 [](SuiteParts &p) { Both(p, "MicroEdition-Profile:", "MicroEdition-Profile: MIDP-3.0"); }},
        RuleCase{"Java8Class", "CLASS_VERSION", true,
                 [](SuiteParts &p) { p.entries[0].content = MidletClassFile("game.Main", "1.8"); }},
        RuleCase{"NoStackMap", "NOT_PREVERIFIED", true,
                 [](SuiteParts &p) { p.entries[0].content = MidletClassFile("game.Main", "1.3"); }},
        RuleCase{"NotAClass", "CLASS_FORMAT", true,
                 [](SuiteParts &p) { p.entries.push_back(StoredEntry("game/Junk.class", "junk")); }},
        RuleCase{"SignatureWithoutCertificate", "SIGNATURE", true,
                 [](SuiteParts &p) { p.jad.push_back("MIDlet-Jar-RSA-SHA1: AAAA"); }},
        RuleCase{"SignedButChangedSinceSigning", "SIGNATURE", true,
                 [](SuiteParts &p) {
                     p.jad.push_back("MIDlet-Jar-RSA-SHA1: AAAA");
                     p.jad.push_back("MIDlet-Certificate-1-1: BBBB");
                     Replace(p.manifest, "MIDlet-1:", "MIDlet-1: Snake,/i.png,game.Main");
                 }},
        RuleCase{"SignatureInManifest", "SIGNATURE", false,
                 [](SuiteParts &p) { p.manifest.push_back("MIDlet-Certificate-1-1: AAAA"); }}),
    [](const ::testing::TestParamInfo<RuleCase> &param) { return std::string(param.param.name); });

TEST_F(SuiteRuleTest, AMidp21SuiteInstallsOnAMidp21PhoneOnly) {
    SuiteParts parts;
    Both(parts, "MicroEdition-Profile:", "MicroEdition-Profile: MIDP-2.1");
    const std::string jad = Write(parts).string();
    ASSERT_EQ(CheckSuite(jad).List().size(), 1u);
    EXPECT_EQ(CheckSuite(jad).List()[0].rule, "DEVICE");
    SuiteCheckOptions midp21;
    midp21.profile = "MIDP-2.1";
    EXPECT_TRUE(CheckSuite(jad, midp21).List().empty());
}

// A suite signed at test time with openssl, then changed one way.
struct SignatureCase {
    const char* name;
    Signer signer;
    std::function<void(std::string& jad, const fs::path& jar)> change;
    const char* expected;  // the SIGNATURE error's text begins so; "" for none
};

void PrintTo(const SignatureCase& signature, std::ostream* out) {
    *out << signature.name;
}

class SignatureTest : public SuiteCheckTest, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(SignatureTest, TheSignatureIsVerifiedOverTheJar) {
    const SignatureCase& signature = GetParam();
    if (!ToolAvailable("openssl")) GTEST_SKIP() << "no openssl";
    const fs::path jadPath = Write(SuiteParts());
    std::string jad = ReadFile(jadPath) + SignatureLines(dir_ / "Snake.jar", signature.signer);
    signature.change(jad, dir_ / "Snake.jar");
    WriteFile(jadPath, jad);
    std::string errors;
    const Findings findings = CheckSuite(jadPath.string());
    for (const Finding& finding : findings.List())
        if (finding.rule == "SIGNATURE") errors += finding.rule + ": " + finding.text + "\n";
    if (*signature.expected)
        EXPECT_EQ(errors.rfind(std::string("SIGNATURE: ") + signature.expected, 0), 0u) << errors;
    else
        EXPECT_EQ(errors, "");
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, SignatureTest,
    ::testing::Values(SignatureCase{"Sound", Signer::valid, [](std::string&, const fs::path&) {}, ""},
                      SignatureCase{"JarChangedAfterSigning", Signer::valid,
                                    [](std::string&, const fs::path& jar) { WriteFile(jar, ReadFile(jar) + "x"); },
                                    "MIDlet-Jar-RSA-SHA1 does not match the JAR"},
                      SignatureCase{"ExpiredCertificate", Signer::expired, [](std::string&, const fs::path&) {},
                                    "MIDlet-Certificate-1-1 expired on 2014-01-01"},
                      SignatureCase{"SignatureNotBase64", Signer::valid,
                                    [](std::string& jad, const fs::path&) {
                                        jad.insert(jad.find("MIDlet-Jar-RSA-SHA1: ") + 21, "*");
                                    },
                                    "MIDlet-Jar-RSA-SHA1 is not base64"},
                      SignatureCase{"CertificateCutShort", Signer::valid,
                                    [](std::string& jad, const fs::path&) {
                                        jad.erase(jad.find("MIDlet-Certificate-1-1: ") + 24, 8);
                                    },
                                    "MIDlet-Certificate-1-1 is not a DER X.509 certificate"}),
    [](const ::testing::TestParamInfo<SignatureCase>& param) { return std::string(param.param.name); });

using SuiteCheckRunTest = SuiteCheckTest;

TEST_F(SuiteCheckRunTest, WritesAFindingPerLineThenTheSummaryAndFailsOnErrorsOnly) {
    WriteFile(dir_ / "a.txt", "");
    std::ostringstream output;
    EXPECT_EQ(RunSuiteCheck({(dir_ / "a.txt").string(), (dir_ / "gone.jar").string()}, output), 1);
    EXPECT_EQ(output.str(), (dir_ / "a.txt").string() + ": SUITE_FILE: not a .jad or .jar file\n" +
                                (dir_ / "gone.jar").string() +
                                ": SUITE_FILE: no such file\n2 suites checked: 0 would install, 2 would not install, "
                                "0 would install but not start (2 errors, 0 warnings)\n");
}

TEST_F(SuiteCheckRunTest, TheSummaryTellsSuitesThatWouldNotStartAndValuesAreShownEscaped) {
    const std::string manifest = CrLfLines(SuiteParts().manifest);
    WriteFile(dir_ / "Old.jar", ZipArchive({}, {StoredEntry("META-INF/MANIFEST.MF", manifest),
                                                StoredEntry("game/Main.class", MidletClassFile("game.Main", "1.8"))})
                                    .bytes());
    std::string latin1 = manifest;
    latin1.replace(latin1.find("Snake"), 5, "Caf\xE9");
    WriteFile(dir_ / "Bad.jar", SnakeJar(latin1 + "MIDlet-Data-Size: \xE9\r\n"));
    std::ostringstream output;
    EXPECT_EQ(RunSuiteCheck({(dir_ / "Old.jar").string(), (dir_ / "Bad.jar").string()}, output), 1);
    const std::string text = output.str();
    EXPECT_NE(text.find("DATA_SIZE: MIDlet-Data-Size \"\\xE9\" is not a number"), std::string::npos) << text;
    EXPECT_EQ(text.find('\xE9'), std::string::npos) << text;
    EXPECT_NE(text.find("2 suites checked: 0 would install, 1 would not install, 1 would install but not start"),
              std::string::npos)
        << text;
}

// A file name, an entry name and a value that hold control characters are
// shown escaped: each finding stays on its one line.
TEST_F(SuiteCheckRunTest, NamesAndValuesWithControlCharactersAreShownEscaped) {
    WriteFile(dir_ / "not\nzip.jar", "no zip here");
    SuiteParts parts;
    Replace(parts.manifest, "MIDlet-1:", "MIDlet-1: Snake, /i.png, game.Ma\x1Bin");
    ZipEntry broken = StoredEntry("res/a\nb.txt", "text");
    broken.crc = 1;
    std::vector<ZipEntry> entries{StoredEntry("META-INF/MANIFEST.MF", CrLfLines(parts.manifest)), broken};
    entries.insert(entries.end(), parts.entries.begin(), parts.entries.end());
    WriteFile(dir_ / "odd.jar", ZipArchive({}, entries).bytes());
    std::ostringstream output;
    EXPECT_EQ(RunSuiteCheck({(dir_ / "not\nzip.jar").string(), (dir_ / "odd.jar").string()}, output), 1);
    const std::string shownNotZip = "\"" + dir_.str() + "/not\\nzip.jar\"";
    const std::string odd = (dir_ / "odd.jar").string();
    EXPECT_EQ(output.str(),
              shownNotZip + ": ZIP_FORMAT: the JAR is not a readable zip: too short for a zip file\n" + odd +
                  ": ZIP_FORMAT: the entry \"res/a\\nb.txt\" cannot be read: its CRC does not match its content\n" +
                  odd + ": MIDLET_CLASS: MIDlet-1 names the class \"game.Ma\\x1bin\", which is not in the JAR\n" +
                  "2 suites checked: 0 would install, 2 would not install, 0 would install but not start (3 errors, 0 "
                  "warnings)\n");
}

// A refused JAD line is shown as values are: escaped, so that its finding
// stays on one line, and cut after 60 bytes.
TEST_F(SuiteCheckRunTest, ARefusedJadLineIsShownEscapedAndCut) {
    Findings findings;
    ReadJadAttributes("X\x01Note: y\r\nLong" + std::string(70, 'o') + " x: y\r\n", findings);
    ASSERT_EQ(findings.List().size(), 2u);
    const std::string why = ": white space, a control character or a separator in the attribute name";
    EXPECT_EQ(findings.List()[0].text, "line 1 \"X\\x01Note: y\"" + why);
    EXPECT_EQ(findings.List()[1].text, "line 2 \"Long" + std::string(56, 'o') + "...\"" + why);
}

}  // namespace
}  // namespace vorlan::test
