// SPDX-License-Identifier: MIT
// The window on a real X server with a window manager (run by
// run-under-x.sh): the hints the window manager reads, the Add dialog
// driven by keys typed through the server, and the screenshot the software
// centres' metadata names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <regex>
#include <set>
#include <sstream>

#include "app/CheckListBox.h"
#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::RunCommand;
namespace fs = std::filesystem;

// Waits, while the window's events are handled, until ready() holds; the
// limit only keeps a broken run from hanging.
bool WaitUntil(const std::function<bool()>& ready) {
    return QTest::qWaitFor(ready, 20000);
}

std::string WindowProperties(const QWidget& window, const std::vector<std::string>& names) {
    std::vector<std::string> command{"xprop", "-id", std::to_string(window.winId())};
    command.insert(command.end(), names.begin(), names.end());
    return RunCommand(command).output;
}

bool Contains(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

// The motif hints' flags, functions and decorations, as xprop prints them
// ("0x3, 0x26, 0x1e, 0x0, 0x0").
std::vector<unsigned long> MotifHints(const std::string& properties) {
    std::vector<unsigned long> values;
    const size_t equals = properties.find('=', properties.find("_MOTIF_WM_HINTS"));
    if (equals == std::string::npos) return values;
    std::istringstream line(properties.substr(equals + 1, properties.find('\n', equals) - equals - 1));
    for (std::string value; std::getline(line, value, ',');) values.push_back(std::stoul(value, nullptr, 16));
    return values;
}

// The root window's list of the windows the window manager manages, which
// task bars and window switchers show.
bool ManagedByWindowManager(const QWidget& window) {
    std::ostringstream id;
    id << "0x" << std::hex << window.winId();
    const std::string list = RunCommand({"xprop", "-root", "_NET_CLIENT_LIST"}).output;
    return Contains(list + ",", " " + id.str() + ",") || Contains(list + "\n", " " + id.str() + "\n");
}

// The window manager has taken the window once it lists what may be done
// with it (the property's own name, printed when it is missing, holds no
// action's name).
bool ListsAllowedActions(const QWidget& window) {
    return Contains(WindowProperties(window, {"_NET_WM_ALLOWED_ACTIONS"}), "_NET_WM_ACTION_");
}

// The program's main window: in the task bar and the window switcher like
// any other (a normal window, transient for nothing, not skipped), with a
// close button only and a size the user cannot change.
TEST(X11Window, MainWindowStaysReachableWithCloseOnlyAndAFixedSize) {
    test::TestForm test;
    TForm1& form = *test.form;
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return ListsAllowedActions(form); }));
    const std::string properties =
        WindowProperties(form, {"_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR", "_NET_WM_STATE", "_NET_WM_ALLOWED_ACTIONS",
                                "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"});
    SCOPED_TRACE(properties);
    EXPECT_TRUE(Contains(properties, "_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL"));
    EXPECT_TRUE(Contains(properties, "WM_TRANSIENT_FOR:  not found"));
    EXPECT_FALSE(Contains(properties, "SKIP_TASKBAR"));
    EXPECT_FALSE(Contains(properties, "SKIP_PAGER"));
    EXPECT_TRUE(WaitUntil([&] { return ManagedByWindowManager(form); }));  // the list may follow the actions
    EXPECT_TRUE(Contains(properties, "_NET_WM_ACTION_CLOSE"));
    EXPECT_FALSE(Contains(properties, "_NET_WM_ACTION_RESIZE"));
    EXPECT_FALSE(Contains(properties, "_NET_WM_ACTION_MAXIMIZE"));
    EXPECT_TRUE(Contains(properties, "minimum size: 691 by 225"));
    EXPECT_TRUE(Contains(properties, "maximum size: 691 by 225"));
    // What the window asks of any window manager: no minimise or maximise
    // function (bits 0x8, 0x10), no such boxes (0x20, 0x40), close (0x20).
    const std::vector<unsigned long> motif = MotifHints(properties);
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[1] & 0x19u, 0u);
    EXPECT_NE(motif[1] & 0x20u, 0u);
    EXPECT_EQ(motif[2] & 0x61u, 0u);
}

// Covered by another window, the main window comes back with Alt+Tab.
TEST(X11Window, MainWindowComesBackWithAltTab) {
    test::TestForm test;
    TForm1& form = *test.form;
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return form.isActiveWindow(); }));
    QWidget other;
    other.setWindowTitle("other");
    other.setGeometry(form.geometry().adjusted(-20, -20, 20, 20));
    other.show();
    ASSERT_TRUE(WaitUntil([&] { return other.isActiveWindow(); }));
    // A key pressed while the window manager is still settling the new
    // window's focus can be lost on a busy machine; a user presses again.
    bool back = false;
    for (int press = 0; press < 3 && !back; ++press) {
        ASSERT_EQ(RunCommand({"xdotool", "key", "alt+Tab"}).status, 0);
        back = QTest::qWaitFor([&] { return form.isActiveWindow(); }, 5000);
    }
    EXPECT_TRUE(back);
}

// Keys typed into the name box through the X server, as a user types them;
// Return is pressed once the box shows every key, as a user would look
// before pressing it (on a busy machine the keys arrive late).
void TypeLine(QLineEdit& box, const std::string& text) {
    ASSERT_EQ(RunCommand({"xdotool", "type", "--delay", "1", text}).status, 0);
    ASSERT_TRUE(WaitUntil([&] { return box.text().toStdString() == text; })) << box.text().toStdString();
    ASSERT_EQ(RunCommand({"xdotool", "key", "Return"}).status, 0);
}

TEST(X11Window, AddDialogTakesEveryTypedNameInTypedOrder) {
    test::TempDir folder;
    fs::create_directory(folder / "games");
    test::WriteFile(folder / "games" / "Snake.jar", "PK");
    test::WriteFile(folder / "games" / "NotZip.jar", "text");
    TForm1 form(FormSettings{folder.str() + "/", nullptr});  // Qt's own dialog
    form.show();

    // Any message box the dialog shows (a refused name) is noted and closed.
    std::vector<std::string> refusals;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            refusals.push_back(box->text().toStdString());
            box->reject();
        }
    });
    boxCloser.start(50);

    bool closedByKeys = false;
    test::WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(nameBox, nullptr);
        const bool focused = WaitUntil([&] { return dialog->isActiveWindow() && nameBox->hasFocus(); });
        if (focused) {
            const std::string games = (folder / "games").string();
            TypeLine(*nameBox, games);  // a folder typed alone: the dialog goes there
            const bool inGames = WaitUntil(
                [&] { return dialog->directory().absolutePath().toStdString() == games && nameBox->text().isEmpty(); });
            if (inGames) {
                TypeLine(*nameBox, R"("Snake.jar" "NotZip.jar" "Missing.jar")");
                closedByKeys = WaitUntil([&] { return !dialog->isVisible(); });
            }
        }
        if (dialog->isVisible()) dialog->reject();
    });
    form.Button1Click();
    boxCloser.stop();

    EXPECT_TRUE(closedByKeys);
    EXPECT_TRUE(refusals.empty()) << refusals.front();
    const fs::path games = folder / "games";
    std::vector<std::string> entries;
    for (int i = 0; i < form.FileCount(); ++i) entries.push_back(form.FileAt(i));
    EXPECT_EQ(entries, (std::vector<std::string>{(games / "Snake.jar").string(), (games / "NotZip.jar").string(),
                                                 (games / "Missing.jar").string()}));
}

// The size the metadata gives the screenshot of the main window.
std::pair<int, int> MetadataScreenshotSize() {
    const std::string metadata =
        test::ReadFile(fs::path(VORLAN_SOURCE_DIR) / "data/io.github.vorlan.Vorlan.metainfo.xml");
    std::smatch size;
    if (!std::regex_search(metadata, size, std::regex(R"re(<image type="source" width="(\d+)" height="(\d+)")re")))
        return {0, 0};
    return {std::stoi(size[1]), std::stoi(size[2])};
}

// The colours of a sample of the image's pixels (every fourth in each
// direction): a window not yet painted shows one or two.
size_t DistinctColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    return colours.size();
}

// The screenshot is made here, from what the X server shows, into the build
// tree's tests/screenshots/ (to be published where the metadata says); its
// pixels depend on the fonts, so only its size and that it shows something
// are checked.
TEST(X11Window, ScreenshotForTheMetadataShowsTheWindowAtItsSize) {
    test::TestForm test({"nokia.zip", "siemens.jar"});
    TForm1& form = *test.form;
    // Names as a user's would read; the files need not exist to be listed.
    test.chooser.answers.push_back(
        std::vector<std::string>{"/home/player/Games/Snake.jar", "/home/player/Games/Tetris.jar"});
    form.Button1Click();
    form.SetFileChecked(0, true);
    SetCheckListItemChecked(*form.APIs, 2, true);  // nokia.zip
    form.show();
    ASSERT_TRUE(WaitUntil([&] { return ListsAllowedActions(form); }));
    // The first paint after mapping may come late on a busy machine: the
    // window is grabbed again until it shows something.
    QImage shot;
    const bool painted = WaitUntil([&] {
        shot = form.screen()->grabWindow(form.winId()).toImage();
        return DistinctColours(shot) > 3;
    });

    const fs::path folder = fs::path(VORLAN_TEST_BIN_DIR).parent_path() / "screenshots";
    fs::create_directories(folder);
    ASSERT_TRUE(shot.save(QString::fromStdString((folder / "main-window.png").string()), "PNG"));
    EXPECT_EQ(std::make_pair(shot.width(), shot.height()), MetadataScreenshotSize());
    EXPECT_TRUE(painted) << "the screenshot shows no window";
}

}  // namespace
}  // namespace vorlan
