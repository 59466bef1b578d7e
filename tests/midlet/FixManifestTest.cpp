// SPDX-License-Identifier: MIT
// The manifest rewrite of fix suites and its two warnings.
#include <gtest/gtest.h>

#include "midlet/FixAttributes.h"
#include "midlet/FixBuilder.h"
#include "midlet/ManifestLines.h"
#include "midlet/TextLines.h"
#include "tests/support/ScriptedApplication.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

struct FixCase {
    const char* name;
    Lines manifest;
    std::string version;
    Lines fixed;
    Lines warnings;  // the message boxes, each "Vorlan" with an OK button
};

void PrintTo(const FixCase& fix, std::ostream* out) {
    *out << fix.name;
}

class FixManifestTest : public ::testing::TestWithParam<FixCase> {};

TEST_P(FixManifestTest, RewritesTheManifestAndWarnsOfMissingKeys) {
    InstalledApplication app;
    TextLines lines;
    for (const std::string& line : GetParam().manifest) lines.Add(line);
    FixManifest(lines, GetParam().version);
    EXPECT_EQ(lines.Lines(), GetParam().fixed);
    Lines warnings;
    for (const auto& shown : app.messages) {
        EXPECT_EQ(shown.caption, "Vorlan");
        EXPECT_EQ(shown.style, MB_OK);
        warnings.push_back(shown.text);
    }
    EXPECT_EQ(warnings, GetParam().warnings);
}

const std::string kNoMidlet = "Manifest corrupt! No MIDlet-1 tag!";
const std::string kNoVersion = "Manifest corrupt! No MIDlet-Version tag!";

INSTANTIATE_TEST_SUITE_P(
    Manifests, FixManifestTest,
    ::testing::Values(
        // The first midlet points at the reader; the version is the one given.
        FixCase{
            "PointsTheFirstMidletAtTheReaderAndSetsTheVersion",
            {"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 1.0.2",
             "MIDlet-1: Snake, /i.png, snake.Main", "MIDlet-2: Two, /t.png, snake.Two", "MIDlet-10: Ten,,snake.Ten",
             ""},
            "9.9.9",
            {"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 9.9.9", "MIDlet-1: Snake,,br.BookReader"},
            {}},
        // What refers to content or a signature the fix JAR lacks goes.
        FixCase{"LeavesOutWhatRefersToContentOrASignatureTheFixJarLacks",
                {"MIDlet-Name: S",
                 "MIDlet-Vendor: V",
                 "MIDlet-Version: 1.0",
                 "MIDlet-1: S,/i.png,s.Main",
                 "MIDlet-2: T,,s.T",
                 "midlet-push-1: socket://:5000, s.T, *",
                 "MIDlet-Permissions: javax.microedition.io.PushRegistry",
                 "MIDlet-Permissions-Opt: javax.microedition.io.Connector.http",
                 "MIDlet-Icon: /i.png",
                 "MIDlet-Jar-RSA-SHA1: AAAA",
                 "MIDlet-Certificate-1-1: BBBB",
                 "MIDlet-02: not a midlet",
                 "MIDlet-Jar-Size: 12",
                 "",
                 "Name: s/Main.class",
                 "SHA1-Digest: xyz",
                 "",
                 "MIDlet-Info-URL: http://example.org",
                 "",
                 "Name: s/T.class",
                 "MIDlet-Jar-URL: S.jar"},
                "9.9.9",
                {"MIDlet-Name: S", "MIDlet-Vendor: V", "MIDlet-Version: 9.9.9", "MIDlet-1: S,,br.BookReader",
                 "MIDlet-Permissions-Opt: javax.microedition.io.Connector.http", "MIDlet-Icon: /i.png",
                 "MIDlet-02: not a midlet", "MIDlet-Jar-Size: 12", "MIDlet-Info-URL: http://example.org",
                 "MIDlet-Jar-URL: S.jar"},
                {}},
        FixCase{"RewritesWholeAttributesOfFoldedLines",
                {"MIDlet-1: Snake, /icons/a-long-folder", " /snake.png, snake.Main", "MIDlet-Description: a long",
                 "  text", "MIDlet-Version: 1.", " 0"},
                "9.9.9",
                {"MIDlet-1: Snake,,br.BookReader", "MIDlet-Description: a long text", "MIDlet-Version: 9.9.9"},
                {}},
        FixCase{"KeysMatchInAnyCaseAndEveryMatchingLineIsRewritten",
                {"midlet-version: 1.0", "MIDLET-1:NoComma", "MIDlet-Version: 2.0", "midlet-1: A,b,c"},
                "9999.9.9",
                {"MIDlet-Version: 9999.9.9", "MIDLET-1:NoComma,,br.BookReader", "MIDlet-Version: 9999.9.9",
                 "midlet-1: A,,br.BookReader"},
                {}},
        FixCase{"AnEmptyVersionIsUsedAsTyped",
                {"MIDlet-Version: 1.0", "MIDlet-1: A,,a.A"},
                "",
                {"MIDlet-Version: ", "MIDlet-1: A,,br.BookReader"},
                {}},
        // A missing key is warned about and the rewrite still happens.
        FixCase{"NoMidletOne", {"MIDlet-Version: 1.0"}, "9.9.9", {"MIDlet-Version: 9.9.9"}, {kNoMidlet}},
        FixCase{"NoVersion", {"MIDlet-1: A,,a.A"}, "9.9.9", {"MIDlet-1: A,,br.BookReader"}, {kNoVersion}},
        FixCase{"Empty", {}, "9.9.9", {}, {kNoMidlet, kNoVersion}}),
    [](const ::testing::TestParamInfo<FixCase>& param) { return std::string(param.param.name); });

TEST(FixTemplateAttributesTest, MissingConfigurationOrProfileComesFromTheTemplateInItsOrder) {
    TextLines fromTemplate;
    for (const char* line : {"Manifest-Version: 1.0", "MicroEdition-Profile: MIDP-2.0",
                             "MicroEdition-Configuration: CLDC-1.1", "MIDlet-1: B,,br.BookReader"})
        fromTemplate.Add(line);
    TextLines lines;
    lines.Add("MIDlet-Name: S");
    EXPECT_TRUE(AddMissingDeviceAttributes(lines, fromTemplate));
    EXPECT_EQ(lines.Lines(),
              (Lines{"MIDlet-Name: S", "MicroEdition-Profile: MIDP-2.0", "MicroEdition-Configuration: CLDC-1.1"}));
    lines.Clear();
    lines.Add("microedition-configuration: CLDC-1.0");
    EXPECT_TRUE(AddMissingDeviceAttributes(lines, fromTemplate));
    EXPECT_EQ(lines.Lines(), (Lines{"microedition-configuration: CLDC-1.0", "MicroEdition-Profile: MIDP-2.0"}));
    EXPECT_FALSE(AddMissingDeviceAttributes(lines, fromTemplate));
}

TEST(ManifestTextTest, FoldsAt72BytesOutsideUtf8CharactersWithCrLfAndASpaceAfterEachColon) {
    TextLines lines;
    lines.Add("MIDlet-Description: " + std::string(100, 'x'));
    lines.Add("K: " + std::string(68, 'a') +
              "\xC3\xA9"
              "b");
    lines.Add("MIDlet-Name:Snake");
    lines.Add("MIDlet-Version:");
    EXPECT_EQ(ManifestText(lines), "MIDlet-Description: " + std::string(52, 'x') + "\r\n " + std::string(48, 'x') +
                                       "\r\nK: " + std::string(68, 'a') +
                                       "\r\n \xC3\xA9"
                                       "b\r\n" +
                                       "MIDlet-Name: Snake\r\nMIDlet-Version: \r\n");
}

}  // namespace
}  // namespace vorlan::test
