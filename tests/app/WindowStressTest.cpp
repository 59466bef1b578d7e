// SPDX-License-Identifier: MIT
// The window under stress: a batch of many suites through TForm1 with the Qt
// application object, while every pump of the batch delivers posted clicks
// on Del, Clear and Add, key presses on the mode selector, dropped files and
// queued calls of the handlers themselves. Nothing crashes, the list stays as
// it was, and the batch ends exactly as an undisturbed one. (Process is the
// Stop button during a batch: FormBatchTest clicks it.)
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>

#include <iostream>
#include <map>

#include "app/CheckListBox.h"
#include "app/QtApplication.h"
#include "tests/app/QtTestEnvironment.h"
#include "tests/hostile/HostileCases.h"
#include "tests/support/ZipWriter.h"

namespace vorlan {
namespace {

using test::ReadFile;
using test::TestForm;
using test::WriteFile;
namespace fs = std::filesystem;

constexpr int kSuites = 40;

// Posts, at every pump, one round of everything a user (or a stray queued
// call) could throw at the window.
class Disturbances {
public:
    Disturbances(TForm1& form, fs::path droppedFile) : form_(form), dropped_(std::move(droppedFile)) {}

    void PostRound() {
        for (QToolButton* button : {form_.SpeedButton7, form_.SpeedButton8, form_.SpeedButton6}) PostClick(button);
        Post(form_.ComboBox1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
        Post(form_.ComboBox1, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier));
        PostDrop();
        const int row = round_ % std::max(1, form_.CheckListBox1->count());
        Queue([this, row] { form_.CheckListBox1->setCurrentRow(row); });
        Queue([this] { form_.Button1Click(); });
        Queue([this] { form_.Button2Click(); });
        Queue([this] { form_.Button3Click(); });
        Queue([this] { form_.WMDropFiles({dropped_.string()}); });
        ++round_;
    }
    int posted() const { return posted_; }
    int rounds() const { return round_; }

private:
    void Post(QObject* receiver, QEvent* event) {
        QCoreApplication::postEvent(receiver, event);
        ++posted_;
    }
    void Queue(std::function<void()> call) {
        QMetaObject::invokeMethod(&form_, std::move(call), Qt::QueuedConnection);
        ++posted_;
    }
    void PostClick(QWidget* button) {
        const QPointF centre = QRectF(button->rect()).center();
        const QPointF global = button->mapToGlobal(centre);
        Post(button,
             new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        Post(button,
             new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    void PostDrop() {
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped_.string()))});
        Post(&form_, new QDropEvent(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier));
        mimeData_.push_back(std::move(data));
    }

    TForm1& form_;
    fs::path dropped_;
    std::vector<std::unique_ptr<QMimeData>> mimeData_;  // a drop event only points at its data
    int round_ = 0;
    int posted_ = 0;
};

// The Qt application object, whose pumps deliver what was posted, with
// message boxes that answer at once and a pump that posts disturbances first.
class DisturbedApplication : public QtApplication {
public:
    Disturbances* disturbances = nullptr;
    std::vector<std::string> boxes;

    int MessageBox(const std::string& text, const std::string&, unsigned style) override {
        boxes.push_back(text);
        return DefaultButton(style);
    }
    void ProcessMessages() override {
        if (disturbances != nullptr) disturbances->PostRound();
        QtApplication::ProcessMessages();
    }
};

struct Outcome {
    std::vector<std::string> boxes;
    std::vector<std::string> list;
    std::vector<bool> checked;
    std::map<std::string, std::string> files;  // the suites folder after the batch
};

class WindowStress : public ::testing::TestWithParam<int> {
protected:
    // A window over a fresh folder of suites, with the API archive checked.
    std::unique_ptr<TestForm> MakeWindow() {
        auto test = std::make_unique<TestForm>(std::vector<std::string>{"api.zip"});
        TForm1& form = *test->form;
        form.Zip1.LibraryDir = VORLAN_BIN_DIR;
        WriteFile(test->folder / "API/api.zip", test::ApiArchiveBytes());
        fs::copy_file(fs::path(VORLAN_SOURCE_DIR) / "data/fix.jar", test->folder / "fix.jar");
        SetCheckListItemChecked(*form.APIs, 1, true);  // api.zip, below "(auto)"
        form.ComboBox1->setCurrentIndex(GetParam());
        for (int i = 0; i < kSuites; ++i) {
            const std::string name = "Game" + std::to_string(i);
            const std::string manifest = "Manifest-Version: 1.0\r\nMIDlet-Name: " + name +
                                         "\r\nMIDlet-Version: 1.0\r\nMIDlet-1: " + name + ", /i.png, game.Main\r\n";
            const fs::path jar = test->folder / "suites" / (name + ".jar");
            WriteFile(jar, test::ZipArchive{"",
                                            {test::StoredEntry("META-INF/MANIFEST.MF", manifest),
                                             test::StoredEntry("game/Main.class", "class " + name)}}
                               .bytes());
            AddCheckListItem(*form.CheckListBox1, jar.string());
        }
        const fs::path broken = test->folder / "suites" / "Broken.jar";
        WriteFile(broken, test::HostileCases().front().build().substr(0, 100));
        AddCheckListItem(*form.CheckListBox1, broken.string());
        test->chooser.answers.assign(100000, std::vector<std::string>{(test->folder / "added.jar").string()});
        form.show();
        return test;
    }

    Outcome RunBatch(TestForm& test, Disturbances* disturbances) {
        DisturbedApplication application;
        application.SetTitle("Vorlan");
        application.disturbances = disturbances;
        SetApp(&application);
        test.form->SpeedButton1Click();
        SetApp(&test::Scripted());
        EXPECT_EQ(application.boxes.size(), 1u);
        Outcome outcome;
        outcome.boxes = application.boxes;
        for (int i = 0; i < test.form->CheckListBox1->count(); ++i) {
            outcome.list.push_back(fs::path(CheckListItemText(*test.form->CheckListBox1, i)).filename().string());
            outcome.checked.push_back(CheckListItemChecked(*test.form->CheckListBox1, i));
        }
        for (const auto& entry : fs::directory_iterator(test.folder / "suites"))
            outcome.files[entry.path().filename().string()] = ReadFile(entry.path());
        return outcome;
    }
};

TEST_P(WindowStress, PostedEventsDuringTheBatchChangeNothing) {
    std::unique_ptr<TestForm> quiet = MakeWindow();
    const Outcome expected = RunBatch(*quiet, nullptr);
    ASSERT_EQ(std::count(expected.checked.begin(), expected.checked.end(), true), kSuites);

    std::unique_ptr<TestForm> stressed = MakeWindow();
    Disturbances disturbances(*stressed->form, stressed->folder / "dropped.jar");
    const Outcome outcome = RunBatch(*stressed, &disturbances);
    std::cout << "mode " << GetParam() << ": " << disturbances.posted() << " events posted in " << disturbances.rounds()
              << " pumps\n";
    RecordProperty("events", disturbances.posted());
    EXPECT_GT(disturbances.rounds(), kSuites);
    EXPECT_EQ(outcome.boxes, expected.boxes);
    EXPECT_EQ(outcome.list, expected.list);
    EXPECT_EQ(outcome.checked, expected.checked);
    ASSERT_EQ(outcome.files.size(), expected.files.size());
    for (const auto& [name, bytes] : expected.files) {
        const bool jarOfAFix = GetParam() == 1 && name.ends_with(".jar");  // its entries carry the time it was made
        if (!jarOfAFix) {
            EXPECT_TRUE(outcome.files.at(name) == bytes) << name << " differs from the quiet batch's";
        }
    }

    // The same round outside a batch is taken: the disturbances were real.
    disturbances.PostRound();
    QCoreApplication::processEvents();
    std::vector<std::string> listAfter;
    for (int i = 0; i < stressed->form->CheckListBox1->count(); ++i)
        listAfter.push_back(fs::path(CheckListItemText(*stressed->form->CheckListBox1, i)).filename().string());
    EXPECT_NE(listAfter, outcome.list);
}

INSTANTIATE_TEST_SUITE_P(Modes, WindowStress, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& mode) { return "Mode" + std::to_string(mode.param); });

}  // namespace
}  // namespace vorlan
