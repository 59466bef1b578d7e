// SPDX-License-Identifier: MIT
// The main window's start-up, mode selector, about box and "Process", and the
// window as the batch's host.
#include "app/TForm1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>

#include "app/CheckListBox.h"
#include "app/FormTexts.h"
#include "app/QtApplication.h"
#include "midlet/ApiCatalogue.h"
#include "midlet/AutoApiChooser.h"
#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"
#include "platform/ProcessPaths.h"

namespace vorlan {

namespace {

// A caption bar with the close button only, on a window the user cannot
// resize (TForm1Layout fixes its size). The motif hints Qt makes of these
// flags ask for neither minimise nor maximise; how far a window manager
// follows them is its own choice. The window stays of the desktop's normal
// type: a utility window is transient for its group, and window managers
// and task bars then leave it out of the task bar and the window switcher,
// where a user who covered it could no longer find it.
constexpr Qt::WindowFlags kMainWindowFrame =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

}  // namespace

TForm1::TForm1(const FormSettings& settings)
    : QWidget(nullptr, kMainWindowFrame),
      qtFileChooser_(settings.fileChooser != nullptr ? nullptr : MakeQtFileChooser()),
      OpenDialog1(settings.fileChooser != nullptr ? *settings.fileChooser : *qtFileChooser_),
      executableFolder_(settings.executableFolder.empty() ? DataFolder() : settings.executableFolder) {
    setObjectName("Form1");
    CreateControls();
    SetCaption();
    CentreOnScreen();
    ConnectHandlers();
    SetShortcuts();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::ConnectHandlers() {
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm1::Button1Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm1::Button2Click);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm1::Button3Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);
    connect(APIs, &QListWidget::itemChanged, this, &TForm1::ApiCheckChanged);
    connect(CheckListBox1, &QListWidget::currentItemChanged, this, &TForm1::ShowEntryNote);
}

// The speed buttons never take the focus, so that they keep their flat look;
// the keyboard reaches them through these keys instead (FormTexts names them
// in the tool tips and the about box). A key clicks its button, and so does
// nothing while the button is disabled. Delete belongs to the file list only:
// in the version box it deletes a character, and Ctrl+Delete a word there.
// Process's keys never stop a batch: only Escape and the Stop button do.
void TForm1::SetShortcuts() {
    const auto onKeys = [this](QWidget* scope, const QList<QKeySequence>& keys, auto action) {
        auto* shortcut = new QShortcut(scope);
        shortcut->setKeys(keys);
        shortcut->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    const auto clickOf = [](QToolButton* button) { return [button] { button->click(); }; };
    onKeys(this, {Qt::Key_Insert, Qt::CTRL | Qt::Key_O}, clickOf(SpeedButton6));
    onKeys(CheckListBox1, {Qt::Key_Delete}, clickOf(SpeedButton7));
    onKeys(this, {Qt::CTRL | Qt::Key_Delete}, clickOf(SpeedButton8));
    onKeys(this, {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter, Qt::Key_F5}, [this] {
        if (!batchRunning_) SpeedButton1->click();
    });
    onKeys(this, {Qt::Key_Escape}, [this] { StopBatch(); });
    onKeys(this, {Qt::Key_F1}, clickOf(SpeedButton2));
}

void TForm1::FormCreate() {
    ApiFolder = executableFolder_ + "API/";
    UserApiFolder = UserApiFolderFromEnvironment();
    FixTemplatePath = executableFolder_ + "fix.jar";
    // Files dropped anywhere on the window, the lists included, reach
    // WMDropFiles; the version box would otherwise take them as text.
    setAcceptDrops(true);
    edFixVer->setAcceptDrops(false);
    ScratchRoot = CreateScratchRoot();
    ManifestBuffer = std::make_unique<TextLines>();
    FillApiCatalogue();
    ComboBox1Change();
}

void TForm1::ComboBox1Change() {
    OpenDialog1.FilterIndex = 1;
    const BatchMode mode = Mode();
    if (mode == BatchMode::GenerateJad) OpenDialog1.Filter = kJarFilter;
    if (mode == BatchMode::BuildFix) OpenDialog1.Filter = kJadOrJarFilter;
    edFixVer->setVisible(mode != BatchMode::GenerateJad);
    Label2->setVisible(mode != BatchMode::GenerateJad);
}

void TForm1::SpeedButton2Click() {
    if (batchRunning_) {
        ShowAboutBesideBatch();
        return;
    }
    App().MessageBox(AboutText(), std::string(kAboutCaption), MB_OK | MB_ICONINFORMATION);
}

// A modal box opened from inside the batch's message pump would hold the
// batch until it is closed; this one is a window of its own, shown once.
void TForm1::ShowAboutBesideBatch() {
    if (aboutBox_ == nullptr) {
        aboutBox_ = MakeMessageBox(AboutText(), std::string(kAboutCaption), MB_OK | MB_ICONINFORMATION, this).release();
        aboutBox_->setAttribute(Qt::WA_DeleteOnClose);
        aboutBox_->setWindowModality(Qt::NonModal);
    }
    aboutBox_->show();
    aboutBox_->raise();
    aboutBox_->activateWindow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (batchRunning_) {
        // Closing now would pull the window from under the running batch:
        // the batch stops once the file in hand is done, and the window
        // closes then.
        closeWhenBatchEnds_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace vorlan
