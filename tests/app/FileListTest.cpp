// SPDX-License-Identifier: MIT
// The file list: Add, Del, Clear and dropped files, and what a running batch
// holds back.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "app/FormTexts.h"

#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::Scripted;
using test::TestForm;

using Paths = std::vector<std::string>;

Paths Entries(TForm1& form) {
    Paths paths;
    for (int i = 0; i < form.FileCount(); ++i) paths.push_back(form.FileAt(i));
    return paths;
}

std::vector<bool> Checks(TForm1& form) {
    std::vector<bool> checks;
    for (int i = 0; i < form.FileCount(); ++i)
        checks.push_back(form.CheckListBox1->item(i)->checkState() == Qt::Checked);
    return checks;
}

// Sends a drop of the given local files to a widget, as the drag manager
// would, offering the given actions (the modifiers choose the one proposed),
// and gives the action the window took: IgnoreAction when it refused.
Qt::DropAction DropOn(QWidget* target, const QStringList& paths, Qt::DropActions offered = Qt::CopyAction,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(QPointF(5, 5), offered, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

TEST(FileList, AddAppendsChosenFilesUncheckedAfterTheOthers) {
    TestForm test;
    TForm1& form = *test.form;
    test.chooser.answers = {Paths{"/games/a.jar"}, Paths{"/x/1.jar", "/x/2.jar", "/games/a.jar"}, std::nullopt};
    form.Button1Click();
    form.SetFileChecked(0, true);
    form.Button1Click();
    EXPECT_EQ(Entries(form), (Paths{"/games/a.jar", "/x/1.jar", "/x/2.jar", "/games/a.jar"}));
    EXPECT_EQ(Checks(form), (std::vector<bool>{true, false, false, false}));
    form.Button1Click();  // cancelled: nothing changes
    EXPECT_EQ(form.FileCount(), 4);
    ASSERT_EQ(test.chooser.shown.size(), 3u);
    EXPECT_EQ(test.chooser.shown[0].filter, "Java archive (*.jar)|*.jar");
    EXPECT_EQ(test.chooser.shown[0].filterIndex, 1);
}

// Qt's dialog's "Add Folder" chooses the folders selected in its list, in
// name order, and else the folder it shows; files selected beside the
// folders are not taken.
TEST(FileList, AddFolderChoosesTheSelectedFoldersElseTheOneShown) {
    struct Case {
        const char* name;
        Paths selected;
        Paths chosen;  // below the games folder
    };
    const Case cases[] = {
        {"NothingSelected", {}, {""}},
        {"TwoFoldersInNameOrder", {"b", "a"}, {"/a", "/b"}},
        {"AFileBesideAFolder", {"Snake.jar", "b"}, {"/b"}},
        {"AFileAlone", {"Snake.jar"}, {""}},
    };
    const test::TempDir folder;
    const std::string games = folder.str() + "/games";
    for (const char* sub : {"a", "b"}) std::filesystem::create_directories(games + "/" + sub);
    test::WriteFile(games + "/Snake.jar", "PK");
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<FileChooser> chooser = MakeQtFileChooser();
        TOpenDialog dialog(*chooser);
        dialog.Filter = kJarFilter;
        test::WhenModalOpens([&](QWidget* modal) {
            auto* fileDialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(fileDialog, nullptr);
            fileDialog->setDirectory(QString::fromStdString(games));
            auto* list = fileDialog->findChild<QAbstractItemView*>("listView");
            auto* model = list != nullptr ? qobject_cast<QFileSystemModel*>(list->model()) : nullptr;
            auto* button = fileDialog->findChild<QPushButton*>("addFolderButton");
            if (model == nullptr || button == nullptr) return fileDialog->reject();
            // The folder is read in the background: its three entries come in.
            const QModelIndex shown = model->index(QString::fromStdString(games));
            EXPECT_TRUE(QTest::qWaitFor([&] { return model->rowCount(shown) == 3; }));
            for (const std::string& name : row.selected)
                list->selectionModel()->select(model->index(QString::fromStdString(games + "/" + name)),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
            button->click();
        });
        ASSERT_TRUE(dialog.Execute(nullptr));
        Paths expected;
        for (const std::string& below : row.chosen) expected.push_back(games + below);
        EXPECT_EQ(dialog.Files(), expected);
    }
}

TEST(FileList, AddButtonOpensTheDialogWithTheModesFilter) {
    TestForm test;
    test.form->ComboBox1->setCurrentIndex(1);
    test.chooser.answers = {Paths{"/x/fix.jad"}};
    test.form->SpeedButton6->click();
    ASSERT_EQ(test.chooser.shown.size(), 1u);
    EXPECT_EQ(test.chooser.shown[0].filter, "Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar");
    EXPECT_EQ(Entries(*test.form), Paths{"/x/fix.jad"});
}

TEST(FileList, DelRemovesTheSelectedEntryOnlyAndClearRemovesAll) {
    TestForm test;
    TForm1& form = *test.form;
    form.Button2Click();  // empty list, no selection
    form.Button3Click();  // empty list
    EXPECT_EQ(form.FileCount(), 0);
    form.WMDropFiles({"/a.jar", "/b.jar", "/c.jar", "/d.jar"});
    form.SetFileChecked(0, true);
    form.SetFileChecked(2, true);
    form.Button2Click();  // nothing selected
    EXPECT_EQ(form.FileCount(), 4);
    form.CheckListBox1->setCurrentRow(1);
    form.SpeedButton7->click();
    EXPECT_EQ(Entries(form), (Paths{"/a.jar", "/c.jar", "/d.jar"}));
    EXPECT_EQ(Checks(form), (std::vector<bool>{true, true, false}));
    // The entry now in its place is selected: Del again goes on removing,
    // and the last entry's removal selects the new last one.
    form.SpeedButton7->click();
    EXPECT_EQ(Entries(form), (Paths{"/a.jar", "/d.jar"}));
    form.SpeedButton7->click();
    EXPECT_EQ(Entries(form), Paths{"/a.jar"});
    EXPECT_EQ(form.CheckListBox1->selectedItems().size(), 1);
    form.SpeedButton7->click();
    EXPECT_EQ(form.FileCount(), 0);
    form.WMDropFiles({"/e.jar"});
    form.SpeedButton8->click();
    EXPECT_EQ(form.FileCount(), 0);
    EXPECT_TRUE(Scripted().messages.empty());
}

// A folder, dropped or chosen in the dialog, adds the suites in it that the
// mode takes, in the walk's order, among the other paths in their order; a
// folder that adds nothing is named in one message.
TEST(FileList, FolderAddsTheSuitesInItThatTheModeTakes) {
    struct Case {
        const char* name;
        int mode;
        bool dropped;  // else chosen in the dialog
        Paths given;   // below the test folder
        Paths added;
        const char* message;  // "" for none
    };
    const Case cases[] = {
        {"JarsOfADroppedFolderBeforeAFile",
         0,
         true,
         {"/games", "/other/Solo.jar"},
         {"/games/Snake.jar", "/games/Tetris.jar", "/games/zone/Pong.jar", "/other/Solo.jar"},
         ""},
        {"JadsAndLoneJarsOfAChosenFolder",
         1,
         false,
         {"/games"},
         {"/games/Snake.jad", "/games/Tetris.jar", "/games/zone/Pong.jar"},
         ""},
        {"AFolderWithoutSuitesIsNamed",
         0,
         true,
         {"/empty", "/games/zone"},
         {"/games/zone/Pong.jar"},
         "Nothing was added from these folders:\n@/empty (no JAR in it)"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        TestForm test;
        TForm1& form = *test.form;
        const std::string top = test.folder.str();
        for (const char* file :
             {"games/Snake.jar", "games/Snake.jad", "games/Tetris.jar", "games/notes.txt", "games/zone/Pong.jar",
              "games/.hidden/Secret.jar", "empty/notes.txt", "other/Solo.jar"})
            test::WriteFile(top + "/" + file, "PK");
        form.ComboBox1->setCurrentIndex(row.mode);
        Paths given;
        for (const std::string& path : row.given) given.push_back(top + path);
        if (row.dropped) {
            form.WMDropFiles(given);
        } else {
            test.chooser.answers = {given};
            form.Button1Click();
        }
        Paths added;
        for (const std::string& path : row.added) added.push_back(top + path);
        EXPECT_EQ(Entries(form), added);
        std::string message = row.message;
        if (const size_t at = message.find('@'); at != std::string::npos) message.replace(at, 1, top);
        EXPECT_EQ(Scripted().messages.empty() ? "" : Scripted().messages.back().text, message);
    }
}

// Every dropped path, in the drag's order; each as long as the drop buffer
// held.
TEST(FileList, DropAddsEveryPathInOrderEachCutTo259Characters) {
    TestForm test;
    TForm1& form = *test.form;
    form.WMDropFiles({"/first.jar", "/games", "/third.jad"});
    EXPECT_EQ(Entries(form), (Paths{"/first.jar", "/games", "/third.jad"}));
    const std::string longPath = "/" + std::string(295, 'd') + ".jad";
    ASSERT_EQ(longPath.size(), 300u);
    const std::string cyrillic = "/" + std::string(257, 'x') + "Жук.jar";  // cut after the "Ж"
    form.WMDropFiles({longPath, cyrillic});
    EXPECT_EQ(form.FileAt(3), longPath.substr(0, 259));
    EXPECT_EQ(form.FileAt(4), "/" + std::string(257, 'x') + "Ж");
    form.WMDropFiles({});
    EXPECT_EQ(form.FileCount(), 5);
}

TEST(FileList, DropsAnywhereOnTheWindowReachTheList) {
    TestForm test({"api.zip"});
    TForm1& form = *test.form;
    EXPECT_EQ(DropOn(form.CheckListBox1->viewport(), {"/games/one.jar", "/games/two.jar"}), Qt::CopyAction);
    EXPECT_EQ(DropOn(form.APIs->viewport(), {"/games/folder"}), Qt::CopyAction);
    EXPECT_EQ(DropOn(form.edFixVer, {"/games/notes.txt"}), Qt::CopyAction);
    EXPECT_EQ(DropOn(&form, {"/games/Snake.JAD"}), Qt::CopyAction);
    EXPECT_EQ(Entries(form),
              (Paths{"/games/one.jar", "/games/two.jar", "/games/folder", "/games/notes.txt", "/games/Snake.JAD"}));
    EXPECT_EQ(form.ApiCount(), 1);
}

// A source told that its file moved may delete it: a drop is taken as a
// copy or a link, whatever the source proposes, and refused when it offers
// a move only.
TEST(FileList, DropsAreTakenAsCopyOrLinkNeverAsMove) {
    struct Offer {
        Qt::DropActions offered;
        Qt::KeyboardModifiers modifiers;  // Shift proposes a move, Ctrl+Shift a link
        Qt::DropAction taken;
    };
    const Offer offers[] = {
        {Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, Qt::CopyAction},
        {Qt::MoveAction | Qt::LinkAction, Qt::ShiftModifier, Qt::LinkAction},
        {Qt::LinkAction, Qt::NoModifier, Qt::LinkAction},
        {Qt::CopyAction | Qt::LinkAction | Qt::MoveAction, Qt::ControlModifier | Qt::ShiftModifier, Qt::CopyAction},
        {Qt::MoveAction, Qt::NoModifier, Qt::IgnoreAction},
    };
    for (const Offer& offer : offers) {
        SCOPED_TRACE(static_cast<int>(offer.offered));
        TestForm test;
        EXPECT_EQ(DropOn(test.form->CheckListBox1->viewport(), {"/games/a.jar"}, offer.offered, offer.modifiers),
                  offer.taken);
        EXPECT_EQ(test.form->FileCount(), offer.taken == Qt::IgnoreAction ? 0 : 1);
    }
}

// However long a path, the horizontal scroll bar reaches its end: the
// longest entry counts, not the first.
TEST(FileList, HorizontalScrollReachesTheEndOfTheLongestPath) {
    TestForm test;
    TForm1& form = *test.form;
    const std::string longer = "/" + std::string(391, 'd') + "/Snake.jar";
    const std::string shorter = "/" + std::string(250, 'e') + "/Tetris.jar";
    ASSERT_EQ(longer.size(), 402u);
    test.chooser.answers = {Paths{"/a.jar", shorter, longer, "/b.jar"}};
    form.Button1Click();
    form.show();
    QCoreApplication::processEvents();
    const QListWidget& list = *form.CheckListBox1;
    const int textWidth = QFontMetrics(list.font()).horizontalAdvance(QString::fromStdString(longer));
    EXPECT_GE(list.horizontalScrollBar()->maximum() + list.viewport()->width(), textWidth);
}

TEST(FileList, ARunningBatchHoldsBackEditsDropsAndModeChanges) {
    TestForm test;
    TForm1& form = *test.form;
    form.WMDropFiles({"/a.jar"});
    form.CheckListBox1->setCurrentRow(0);
    form.BatchStarted();
    EXPECT_EQ(form.SpeedButton1->text(), "Stop");
    EXPECT_FALSE(form.ComboBox1->isEnabled());
    EXPECT_TRUE(form.CheckListBox1->isEnabled());  // still scrolls and shows its marks
    test.chooser.answers = {Paths{"/b.jar"}};
    form.Button1Click();
    form.Button2Click();
    form.Button3Click();
    form.WMDropFiles({"/c.jar"});
    EXPECT_EQ(DropOn(&form, {"/d.jar"}), Qt::IgnoreAction);
    EXPECT_EQ(Entries(form), Paths{"/a.jar"});
    EXPECT_TRUE(test.chooser.shown.empty());
    EXPECT_FALSE(form.close());  // closing waits for the batch
    form.BatchEnded();
    EXPECT_TRUE(form.SpeedButton6->isEnabled());
    form.Button3Click();
    EXPECT_EQ(form.FileCount(), 0);
}

}  // namespace
}  // namespace vorlan
