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

class FixManifestTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_.SetTitle("Vorlan");
        SetApp(&app_);
    }
    void TearDown() override { SetApp(nullptr); }

    Lines Fix(const Lines& manifest, const std::string& version = "9.9.9") {
        TextLines lines;
        for (const std::string& line : manifest) lines.Add(line);
        FixManifest(lines, version);
        return lines.Lines();
    }
    std::vector<std::string> Warnings() const {
        std::vector<std::string> texts;
        for (const auto& shown : app_.messages) {
            EXPECT_EQ(shown.caption, "Vorlan");
            EXPECT_EQ(shown.style, MB_OK);
            texts.push_back(shown.text);
        }
        return texts;
    }

    ScriptedApplication app_;
};

TEST_F(FixManifestTest, PointsTheFirstMidletAtTheReaderAndSetsTheVersion) {
    EXPECT_EQ(Fix({"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 1.0.2",
                   "MIDlet-1: Snake, /i.png, snake.Main", "MIDlet-2: Two, /t.png, snake.Two",
                   "MIDlet-10: Ten,,snake.Ten", ""}),
              (Lines{"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 9.9.9",
                     "MIDlet-1: Snake,,br.BookReader"}));
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(FixManifestTest, LeavesOutWhatRefersToContentOrASignatureTheFixJarLacks) {
    EXPECT_EQ(Fix({"MIDlet-Name: S",
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
                   "MIDlet-Jar-URL: S.jar"}),
              (Lines{"MIDlet-Name: S", "MIDlet-Vendor: V", "MIDlet-Version: 9.9.9", "MIDlet-1: S,,br.BookReader",
                     "MIDlet-Permissions-Opt: javax.microedition.io.Connector.http", "MIDlet-Icon: /i.png",
                     "MIDlet-02: not a midlet", "MIDlet-Jar-Size: 12", "MIDlet-Info-URL: http://example.org",
                     "MIDlet-Jar-URL: S.jar"}));
}

TEST_F(FixManifestTest, RewritesWholeAttributesOfFoldedLines) {
    EXPECT_EQ(Fix({"MIDlet-1: Snake, /icons/a-long-folder", " /snake.png, snake.Main", "MIDlet-Description: a long",
                   "  text", "MIDlet-Version: 1.", " 0"}),
              (Lines{"MIDlet-1: Snake,,br.BookReader", "MIDlet-Description: a long text", "MIDlet-Version: 9.9.9"}));
}

TEST_F(FixManifestTest, MissingConfigurationOrProfileComesFromTheTemplateInItsOrder) {
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

TEST_F(FixManifestTest, KeysMatchInAnyCaseAndEveryMatchingLineIsRewritten) {
    EXPECT_EQ(Fix({"midlet-version: 1.0", "MIDLET-1:NoComma", "MIDlet-Version: 2.0", "midlet-1: A,b,c"}, "9999.9.9"),
              (Lines{"MIDlet-Version: 9999.9.9", "MIDLET-1:NoComma,,br.BookReader", "MIDlet-Version: 9999.9.9",
                     "midlet-1: A,,br.BookReader"}));
}

TEST_F(FixManifestTest, AnEmptyVersionIsUsedAsTyped) {
    EXPECT_EQ(Fix({"MIDlet-Version: 1.0", "MIDlet-1: A,,a.A"}, ""),
              (Lines{"MIDlet-Version: ", "MIDlet-1: A,,br.BookReader"}));
}

TEST_F(FixManifestTest, MissingKeysAreWarnedAboutAndTheRewriteStillHappens) {
    EXPECT_EQ(Fix({"MIDlet-Version: 1.0"}), (Lines{"MIDlet-Version: 9.9.9"}));
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Manifest corrupt! No MIDlet-1 tag!"}));

    app_.messages.clear();
    EXPECT_EQ(Fix({"MIDlet-1: A,,a.A"}), (Lines{"MIDlet-1: A,,br.BookReader"}));
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Manifest corrupt! No MIDlet-Version tag!"}));

    app_.messages.clear();
    EXPECT_EQ(Fix({}), Lines{});
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Manifest corrupt! No MIDlet-1 tag!",
                                                    "Manifest corrupt! No MIDlet-Version tag!"}));
}

}  // namespace
}  // namespace vorlan::test
