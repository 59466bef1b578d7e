// SPDX-License-Identifier: MIT
// The window's two choices that reach past the checked archives: "(auto)" at
// the head of the API catalogue, which gives each JAR the archives that
// provide the classes it lacks, and the mode selector's item that also mends
// the manifests and JADs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include "app/CheckListBox.h"
#include "tests/app/QtTestEnvironment.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/ZipWriter.h"

namespace vorlan {
namespace {

using test::TestForm;
namespace fs = std::filesystem;

std::vector<bool> ApiMarks(const TForm1& form) {
    std::vector<bool> marks;
    for (int row = 0; row < form.APIs->count(); ++row) marks.push_back(CheckListItemChecked(*form.APIs, row));
    return marks;
}

std::string Entry(const fs::path& jar, const std::string& name) {
    return test::RunCommand({"unzip", "-p", jar.string(), name}).output;
}

// Clicks on the catalogue's check boxes, in order (row, checked), and the
// marks they leave on "(auto)", a.zip and b.zip: "(auto)" and the archives
// exclude each other, as --api auto and other --api names do.
TEST(FormChoices, AutoAndCheckedArchivesExcludeEachOther) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, bool>> clicks;
        std::vector<bool> marks;
    };
    const Case cases[] = {
        {"AtStart", {}, {false, false, false}},
        {"ArchivesTogether", {{1, true}, {2, true}}, {false, true, true}},
        {"AutoClearsTheArchives", {{1, true}, {2, true}, {0, true}}, {true, false, false}},
        {"AnArchiveClearsAuto", {{0, true}, {2, true}}, {false, false, true}},
        {"AutoUncheckedLeavesNothingChecked", {{1, true}, {0, true}, {0, false}}, {false, false, false}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestForm test({"b.zip", "a.jar"});
        TForm1& form = *test.form;
        ASSERT_EQ(form.APIs->count(), 3);
        EXPECT_EQ(form.APIs->item(0)->text(), "(auto)");
        for (const auto& [clicked, checked] : row.clicks)
            form.APIs->item(clicked)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        EXPECT_EQ(ApiMarks(form), row.marks);
        // The batch sees the archives alone, "(auto)" never among them.
        ASSERT_EQ(form.ApiCount(), 2);
        EXPECT_EQ(form.ApiAt(0), "a.jar");
        EXPECT_EQ(form.ApiAt(1), "b.zip");
        EXPECT_EQ(form.ApiChecked(1), row.marks[2]);
    }
}

std::string MidletSource(const std::string& package, const std::string& startApp) {
    return "package " + package + ";\npublic class Main extends javax.microedition.midlet.MIDlet {\n" +
           "    protected void startApp() { " + startApp +
           " }\n    protected void pauseApp() {}\n    protected void destroyApp(boolean unconditional) {}\n}\n";
}

// With "(auto)" checked, a JAR that calls a vendor's class gets the archive
// that provides it and no other; a JAR that lacks nothing is left byte for
// byte as it was. The entry's note names the archive added.
TEST(FormChoices, AutoGivesEachJarTheArchivesThatProvideWhatItLacks) {
    std::string missing;
    if (test::J2meCheckScript(&missing).empty()) {
        if (std::getenv("CI") != nullptr) FAIL() << missing;
        GTEST_SKIP() << missing;
    }
    const test::Files classes = test::CompileCldcClasses({
        {"com/acme/Beep.java", "package com.acme;\npublic class Beep {\n    public static void play(int hz) {}\n}\n"},
        {"beeps/Main.java", MidletSource("beeps", "com.acme.Beep.play(440);")},
        {"quiet/Main.java", MidletSource("quiet", "")},
    });
    TestForm test({"acme.zip", "other.zip"});
    TForm1& form = *test.form;
    form.Zip1.LibraryDir = VORLAN_BIN_DIR;
    test::PackWith("zip", {{"com/acme/Beep.class", classes.at("com/acme/Beep.class")}}, test.folder / "API/acme.zip");
    test::PackWith("zip", {{"org/other/Thing.class", "thing"}}, test.folder / "API/other.zip");
    std::map<std::string, std::string> before;
    for (const std::string game : {"beeps", "quiet"}) {
        const fs::path jar = test.folder / (game + ".jar");
        test::PackWith("zip",
                       {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\nMIDlet-Name: " + game +
                                                     "\nMIDlet-Vendor: Games\nMIDlet-Version: 1.0\nMIDlet-1: " + game +
                                                     ", , " + game +
                                                     ".Main\nMicroEdition-Configuration: CLDC-1.1\n"
                                                     "MicroEdition-Profile: MIDP-2.0\n"},
                        {game + "/Main.class", classes.at(game + "/Main.class")}},
                       jar);
        before[game] = test::ReadFile(jar);
        form.WMDropFiles({jar.string()});
    }
    form.APIs->item(0)->setCheckState(Qt::Checked);
    form.SpeedButton1Click();

    EXPECT_EQ(form.CheckListBox1->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(form.CheckListBox1->item(1)->checkState(), Qt::Checked);
    const fs::path beeps = test.folder / "beeps.jar";
    EXPECT_EQ(Entry(beeps, "com/acme/Beep.class"), classes.at("com/acme/Beep.class"));
    EXPECT_EQ(test::RunCommand({"unzip", "-Z1", beeps.string()}).output.find("org/other"), std::string::npos);
    const std::string note = CheckListItemNote(*form.CheckListBox1, 0);
    EXPECT_TRUE(note.starts_with("added acme.zip for com/acme/Beep")) << note;
    EXPECT_EQ(note.find("warning: added"), std::string::npos) << note;
    EXPECT_EQ(test::ReadFile(test.folder / "quiet.jar"), before["quiet"]);
    EXPECT_TRUE(fs::exists(test.folder / "quiet.jad"));
    EXPECT_EQ(CheckListItemNote(*form.CheckListBox1, 1).find("added"), std::string::npos);
}

// The mode selector's last item is mode 0 that also mends the manifest: a
// byte-order mark before the manifest's first line goes, and the entry's
// note says so. The first item leaves the manifest as it is.
TEST(FormChoices, RepairingItemMendsTheManifestInModeZero) {
    struct Case {
        int item;
        bool repaired;
    };
    const std::string manifest =
        "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\nMIDlet-Vendor: Games\r\nMIDlet-Version: 1.0\r\n"
        "MIDlet-1: Snake, , snake.Main\r\nMicroEdition-Configuration: CLDC-1.1\r\nMicroEdition-Profile: MIDP-2.0\r\n";
    for (const Case row : {Case{0, false}, Case{2, true}}) {
        SCOPED_TRACE(row.item);
        TestForm test;
        TForm1& form = *test.form;
        form.Zip1.LibraryDir = VORLAN_BIN_DIR;
        const fs::path jar = test.folder / "Snake.jar";
        test::PackWith("python", {{"META-INF/MANIFEST.MF", "\xEF\xBB\xBF" + manifest}, {"snake/Main.class", "x"}}, jar);
        form.ComboBox1->setCurrentIndex(row.item);
        EXPECT_EQ(form.Mode(), BatchMode::GenerateJad);
        EXPECT_TRUE(form.edFixVer->isHidden());
        EXPECT_EQ(form.OpenDialog1.Filter, "Java archive (*.jar)|*.jar");
        form.WMDropFiles({jar.string()});
        form.SpeedButton1Click();
        EXPECT_EQ(form.CheckListBox1->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(Entry(jar, "META-INF/MANIFEST.MF"), row.repaired ? manifest : "\xEF\xBB\xBF" + manifest);
        const std::string note = CheckListItemNote(*form.CheckListBox1, 0);
        EXPECT_EQ(note.find("repaired: the byte-order mark removed") != std::string::npos, row.repaired) << note;
    }
}

}  // namespace
}  // namespace vorlan
