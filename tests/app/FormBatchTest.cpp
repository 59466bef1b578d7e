// SPDX-License-Identifier: MIT
// "Process" through the window: the batch works on the window's controls,
// closes with its message, and the window holds its ground while it runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "app/CheckListBox.h"
#include "app/QtApplication.h"

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
    for (int i = 1; i < form.APIs->count(); ++i) form.APIs->item(i)->setCheckState(Qt::Checked);  // not "(auto)"
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

// The closing box: the one users know when every entry succeeded; else how
// many failed, with a warning icon. Files that are not JARs count as done.
TEST(FormBatch, ClosingBoxSaysHowManyEntriesFailed) {
    struct Outcome {
        std::vector<const char*> entries;
        const char* text;
        unsigned style;
    };
    const Outcome outcomes[] = {
        {{"a.txt", "b.txt"}, "Process successfuly completed!", MB_OK | MB_ICONINFORMATION},
        {{"a.txt", "missing.jar"},
         "1 of 2 files failed and is left unchecked.\nPoint at an unchecked file, or select it, to read why it failed.",
         MB_OK | MB_ICONWARNING},
        {{"gone.jar", "a.txt", "missing.jar"},
         "2 of 3 files failed and are left unchecked.\nPoint at an unchecked file, or select it, to read why it "
         "failed.",
         MB_OK | MB_ICONWARNING},
    };
    for (const Outcome& outcome : outcomes) {
        SCOPED_TRACE(outcome.text);
        TestForm test;
        for (const char* entry : outcome.entries) test.form->WMDropFiles({(test.folder / entry).string()});
        test.form->SpeedButton1Click();
        ASSERT_EQ(Scripted().messages.size(), 1u);
        EXPECT_EQ(Scripted().messages[0].text, outcome.text);
        EXPECT_EQ(Scripted().messages[0].caption, "Finished!");
        EXPECT_EQ(Scripted().messages[0].style, outcome.style);
    }
}

// Why an entry failed, in the words vorlan-batch prints after the file's
// name, is the entry's tool tip and shows when the entry is selected; its
// warnings follow. A new batch starts without the old notes.
TEST(FormBatch, FailedEntriesTellWhyAsVorlanBatchDoes) {
    TestForm test;
    TForm1& form = *test.form;
    form.Zip1.LibraryDir = VORLAN_BIN_DIR;
    const std::vector<std::string> failing{(test.folder / "NoManifest.jar").string(),
                                           (test.folder / "NotZip.jar").string()};
    test::WriteFile(failing[0], test::ZipArchive{"", {test::StoredEntry("game/Main.class", "main")}}.bytes());
    test::WriteFile(failing[1], "plain text, no archive");
    form.WMDropFiles(failing);
    form.WMDropFiles({(test.folder / "notes.txt").string()});
    form.show();
    form.SpeedButton1Click();
    const test::CommandResult printed =
        test::RunCommand({std::string(VORLAN_BIN_DIR) + "/vorlan-batch", failing[0], failing[1]}, test.folder.str());
    for (int i = 0; i < 2; ++i) {
        const std::string& path = failing[static_cast<std::size_t>(i)];
        SCOPED_TRACE(path);
        const std::string note = CheckListItemNote(*form.CheckListBox1, i);
        ASSERT_FALSE(note.empty());
        EXPECT_NE(printed.errors.find("vorlan-batch: " + path + ": " + note + "\n"), std::string::npos)
            << printed.errors;
        form.CheckListBox1->setCurrentRow(i);
        EXPECT_EQ(QToolTip::text().toStdString(), note);
    }
    EXPECT_EQ(CheckListItemNote(*form.CheckListBox1, 2), "");
    form.EntryWarning(2, "a line of its descriptor was left out");
    form.EntryWarning(0, "the suite would not install");
    form.EntryFinished(2, true, "");
    form.EntryFinished(0, false, "the reason");
    EXPECT_EQ(CheckListItemNote(*form.CheckListBox1, 2), "warning: a line of its descriptor was left out");
    EXPECT_EQ(CheckListItemNote(*form.CheckListBox1, 0), "the reason\nwarning: the suite would not install");
    form.BatchStarted();
    EXPECT_EQ(CheckListItemNote(*form.CheckListBox1, 0), "");
    form.BatchEnded();
}

// Escape, or Stop in place of Process, stops the batch after the file in
// hand as closing does, but the window stays: the files after it are
// untouched and unchecked, and no closing box is shown.
TEST(FormBatch, EscapeOrStopEndsTheBatchAfterTheFileInHand) {
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "Escape" : "Stop");
        TestForm test;
        TForm1& form = *test.form;
        form.Zip1.LibraryDir = VORLAN_BIN_DIR;
        for (const char* name : {"First", "Second", "Third"}) {
            const fs::path jar = test.folder / (std::string(name) + ".jar");
            test::WriteFile(
                jar, test::ZipArchive{"", {test::StoredEntry("META-INF/MANIFEST.MF", "MIDlet-Name: x\r\n")}}.bytes());
            form.WMDropFiles({jar.string()});
        }
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        bool stopped = false;
        std::string stopToolTip;
        Scripted().onProcessMessages = [&] {
            // The first JAR's manifest is extracted: the first file is in hand.
            if (stopped || !fs::exists(ScratchRoot + "vorlan/META-INF")) return;
            stopped = true;
            stopToolTip = form.SpeedButton1->toolTip().toStdString();
            if (byKey)
                QTest::keyClick(form.CheckListBox1, Qt::Key_Escape);
            else
                form.SpeedButton1->click();
        };
        form.SpeedButton1Click();
        Scripted().onProcessMessages = nullptr;
        EXPECT_TRUE(stopped);
        EXPECT_TRUE(stopToolTip.ends_with("(Escape)")) << stopToolTip;
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(Scripted().messages.empty());
        EXPECT_EQ(form.CheckListBox1->item(0)->checkState(), Qt::Checked);
        for (int entry : {1, 2}) EXPECT_EQ(form.CheckListBox1->item(entry)->checkState(), Qt::Unchecked);
        EXPECT_FALSE(fs::exists(test.folder / "Second.jad"));
        EXPECT_EQ(form.SpeedButton1->text(), "Process");
        EXPECT_TRUE(form.SpeedButton1->isEnabled());
        form.SpeedButton1Click();  // a stop holds for one batch only
        EXPECT_TRUE(fs::exists(test.folder / "Third.jad"));
    }
}

// As the batch goes down a long list, the entry in hand stays in sight.
TEST(FormBatch, ListKeepsTheEntryInHandInSight) {
    TestForm test;
    TForm1& form = *test.form;
    for (int i = 0; i < 60; ++i) form.WMDropFiles({(test.folder / ("missing" + std::to_string(i) + ".jar")).string()});
    form.show();
    QListWidget& list = *form.CheckListBox1;
    std::vector<int> outOfSight;
    Scripted().onProcessMessages = [&] {
        const int inHand = form.ProgressBar1->value();
        if (!form.BatchRunning() || inHand >= list.count()) return;
        if (!list.viewport()->rect().intersects(list.visualItemRect(list.item(inHand)))) outOfSight.push_back(inHand);
    };
    form.SpeedButton1Click();
    Scripted().onProcessMessages = nullptr;
    EXPECT_TRUE(outOfSight.empty()) << "first out of sight: " << outOfSight.front();
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualItemRect(list.item(59))));
}

// The about box opened during a batch stands beside it: the batch goes on
// to its closing box while the about box is still open.
TEST(FormBatch, AboutBoxDuringTheBatchDoesNotHoldIt) {
    TestForm test;
    TForm1& form = *test.form;
    for (const char* name : {"a.jar", "b.jar", "c.jar"}) form.WMDropFiles({(test.folder / name).string()});
    form.show();
    QtApplication qtBoxes;
    qtBoxes.SetTitle("Vorlan");
    SetApp(&qtBoxes);
    std::vector<std::string> modalBoxes;
    bool aboutOpenAtTheEnd = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (modal == nullptr) return;
        modalBoxes.push_back(modal->windowTitle().toStdString());
        for (const QMessageBox* box : form.findChildren<QMessageBox*>())
            if (box != modal && box->isVisible() && box->windowTitle() == "About...") aboutOpenAtTheEnd = true;
        modal->reject();
    });
    closer.start(10);
    QTimer::singleShot(0, &form, [&] { form.SpeedButton2->click(); });
    form.SpeedButton1Click();
    closer.stop();
    SetApp(&Scripted());
    EXPECT_EQ(modalBoxes, std::vector<std::string>{"Finished!"});
    EXPECT_TRUE(aboutOpenAtTheEnd);
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
