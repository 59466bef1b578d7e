// "Process" through the window: the batch works on the window's controls,
// closes with its message, and the window holds its ground while it runs.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressBar>
#include <QToolButton>

#include "midlet/Globals.h"
#include "tests/app/QtTestEnvironment.h"
#include "tests/support/ZipWriter.h"

namespace vorlan {
namespace {

using test::Scripted;
using test::TestForm;
namespace fs = std::filesystem;

TEST(FormBatch, EmptyListEndsWithTheFinishedMessage) {
    TestForm test;
    test.form->SpeedButton1->click();
    ASSERT_EQ(Scripted().messages.size(), 1u);
    EXPECT_EQ(Scripted().messages[0].text, "Process successfuly completed!");
    EXPECT_EQ(Scripted().messages[0].caption, "Finished!");
    EXPECT_EQ(Scripted().messages[0].style, MB_OK | MB_ICONINFORMATION);
    EXPECT_FALSE(test.form->BatchRunning());
    EXPECT_TRUE(test.form->SpeedButton1->isEnabled());
    EXPECT_FALSE(fs::exists(ScratchRoot + "vorlan"));
}

TEST(FormBatch, JarGetsItsDescriptorAndAMissingFileStaysUnchecked) {
    TestForm test;
    TForm1& form = *test.form;
    form.Zip1.LibraryDir = VORLAN_BIN_DIR;  // the engines sit beside the programs, not the tests
    const fs::path jar = test.folder / "Snake.jar";
    test::PackWith("python",
                   {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\n"},
                    {"snake/Main.class", "class bytes"}},
                   jar);
    form.WMDropFiles({(test.folder / "missing.jar").string()});
    form.WMDropFiles({jar.string()});
    form.SetFileChecked(0, true);  // every batch starts by clearing the marks
    form.SpeedButton1Click();
    EXPECT_EQ(form.CheckListBox1->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(form.CheckListBox1->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(form.ProgressBar1->maximum(), 2);
    EXPECT_EQ(form.ProgressBar1->value(), 2);
    const std::string descriptor = test::ReadFile(test.folder / "Snake.jad");
    EXPECT_NE(descriptor.find("MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar)) + "\r\n"), std::string::npos)
        << descriptor;
    EXPECT_NE(descriptor.find("MIDlet-Jar-URL: Snake.jar\r\n"), std::string::npos) << descriptor;
}

// An API archive the JARs did not get is named in one message after the
// batch; the other checked archive is still added.
TEST(FormBatch, ApiArchivesLeftOutAreNamedOnceAfterTheBatch) {
    TestForm test({"bad.zip", "good.zip"});
    TForm1& form = *test.form;
    form.Zip1.LibraryDir = VORLAN_BIN_DIR;
    test::WriteFile(test.folder / "API/bad.zip", "not a zip archive at all");
    test::PackWith("python", {{"api/Good.class", "good"}}, test.folder / "API/good.zip");
    for (int i = 0; i < form.APIs->count(); ++i) form.APIs->item(i)->setCheckState(Qt::Checked);
    for (const char* name : {"One.jar", "Two.jar"}) {
        test::PackWith("python", {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"}, {"g/G.class", "g"}},
                       test.folder / name);
        form.WMDropFiles({(test.folder / name).string()});
    }
    form.SpeedButton1Click();
    EXPECT_EQ(form.CheckListBox1->item(1)->checkState(), Qt::Checked);
    ASSERT_EQ(Scripted().messages.size(), 2u);
    EXPECT_EQ(Scripted().messages[0].caption, "Finished!");
    const std::string& text = Scripted().messages[1].text;
    EXPECT_NE(text.find("bad.zip"), std::string::npos) << text;
    EXPECT_EQ(text.find("good.zip"), std::string::npos) << text;
    EXPECT_EQ(Scripted().messages[1].style, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(test::RunCommand({"unzip", "-p", (test.folder / "Two.jar").string(), "api/Good.class"}).output, "good");
}

// Closing the window during a batch stops it once the file in hand is done:
// that file is complete, the files after it are untouched, no closing
// message is shown, and the window goes.
TEST(FormBatch, ClosingDuringTheBatchStopsAfterTheFileInHand) {
    TestForm test;
    TForm1& form = *test.form;
    form.Zip1.LibraryDir = VORLAN_BIN_DIR;
    for (const char* name : {"First", "Second", "Third"}) {
        const fs::path jar = test.folder / (std::string(name) + ".jar");
        test::WriteFile(
            jar, test::ZipArchive{"",
                                  {test::StoredEntry("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: " +
                                                                                 std::string(name) + "\r\n")}}
                     .bytes());
        form.WMDropFiles({jar.string()});
    }
    form.show();
    bool closed = false;
    bool visibleAfterClose = false;
    Scripted().onProcessMessages = [&] {
        // The first JAR's manifest is extracted: the first file is in hand.
        if (closed || !fs::exists(ScratchRoot + "vorlan/META-INF")) return;
        closed = true;
        form.close();
        visibleAfterClose = form.isVisible();
    };
    form.SpeedButton1Click();
    Scripted().onProcessMessages = nullptr;
    EXPECT_TRUE(visibleAfterClose);  // the file in hand is finished first
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(Scripted().messages.empty());
    EXPECT_EQ(form.CheckListBox1->item(0)->checkState(), Qt::Checked);
    for (int entry : {1, 2}) EXPECT_EQ(form.CheckListBox1->item(entry)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(fs::exists(test.folder / "Second.jad"));
    EXPECT_FALSE(fs::exists(test.folder / "Third.jad"));
    EXPECT_FALSE(fs::exists(ScratchRoot + "vorlan"));
}

TEST(FormBatch, FailureThatStopsTheBatchIsShownAndFreesTheWindow) {
    TestForm test;
    Scripted().onProcessMessages = [] { throw std::runtime_error("the window system went away"); };
    test.form->SpeedButton1Click();
    Scripted().onProcessMessages = nullptr;
    ASSERT_EQ(Scripted().messages.size(), 1u);
    EXPECT_EQ(Scripted().messages[0].text, "the window system went away");
    EXPECT_EQ(Scripted().messages[0].caption, "Vorlan");
    EXPECT_EQ(Scripted().messages[0].style, MB_OK | MB_ICONSTOP);
    EXPECT_FALSE(test.form->BatchRunning());
    EXPECT_TRUE(test.form->SpeedButton6->isEnabled());
}

TEST(FormBatch, ProgressBarNeverTurnsIntoABusyBar) {
    TestForm test;
    test.form->SetProgressMax(0);
    test.form->SetProgressPosition(0);
    EXPECT_GT(test.form->ProgressBar1->maximum(), test.form->ProgressBar1->minimum());
    test.form->SetProgressMax(3);
    test.form->SetProgressPosition(7);
    EXPECT_EQ(test.form->ProgressBar1->value(), 3);
}

}  // namespace
}  // namespace vorlan
