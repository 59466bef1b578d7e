// The manifest rewrite of fix suites and its two warnings.
#include <gtest/gtest.h>

#include "midlet/FixBuilder.h"
#include "midlet/TextLines.h"
#include "platform/ScriptedApplication.h"

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
    EXPECT_EQ(
        Fix({"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 1.0.2",
             "MIDlet-1: Snake, /i.png, snake.Main", "MIDlet-2: Two, /t.png, snake.Two", "MIDlet-10: Ten,,snake.Ten",
             ""}),
        (Lines{"Manifest-Version: 1.0", "MIDlet-Name: Snake", "MIDlet-Version: 9.9.9", "MIDlet-1: Snake,,br.BookReader",
               "MIDlet-2: Two, /t.png, snake.Two", "MIDlet-10: Ten,,snake.Ten", ""}));
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(FixManifestTest, KeysMatchInAnyCaseAndEveryMatchingLineIsRewritten) {
    EXPECT_EQ(Fix({"midlet-version: 1.0", "MIDLET-1:NoComma", "MIDlet-Version: 2.0", "midlet-1: A,b,c"}, "9999.9.9"),
              (Lines{"MIDlet-Version: 9999.9.9", ",br.BookReader", "MIDlet-Version: 9999.9.9",
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
