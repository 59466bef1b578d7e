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
#include "midlet/ApiCatalogue.h"
#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"
#include "platform/ProcessPaths.h"

namespace vorlan {

namespace {

// A tool window's frame: a caption bar with the close button only, and a
// size the user cannot change. Qt::Tool gives the window the X desktop's
// utility type, and the motif hints Qt makes of these flags ask for neither
// minimise nor maximise; how far a window manager follows them is its own
// choice (openbox keeps minimise for every utility window).
constexpr Qt::WindowFlags kToolWindowFrame =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

}  // namespace

TForm1::TForm1(const FormSettings& settings)
    : QWidget(nullptr, kToolWindowFrame),
      qtFileChooser_(settings.fileChooser != nullptr ? nullptr : MakeQtFileChooser()),
      OpenDialog1(settings.fileChooser != nullptr ? *settings.fileChooser : *qtFileChooser_),
      executableFolder_(settings.executableFolder.empty() ? DataFolder() : settings.executableFolder) {
    setObjectName("Form1");
    // Qt lets a tool window close without ending the program; this one is
    // the program's only window.
    setAttribute(Qt::WA_QuitOnClose, true);
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
}

// The speed buttons never take the focus, so that they keep their flat look;
// the keyboard reaches them through these keys instead. A key clicks its
// button, and so does nothing while the button is disabled. Delete belongs to
// the file list only: in the version box it deletes a character.
void TForm1::SetShortcuts() {
    const auto clickOnKeys = [](QToolButton* button, QWidget* scope, const QList<QKeySequence>& keys) {
        auto* shortcut = new QShortcut(scope);
        shortcut->setKeys(keys);
        shortcut->setContext(scope == button->window() ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    };
    clickOnKeys(SpeedButton6, this, {Qt::Key_Insert, Qt::CTRL | Qt::Key_O});
    clickOnKeys(SpeedButton7, CheckListBox1, {Qt::Key_Delete});
    clickOnKeys(SpeedButton1, this, {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter, Qt::Key_F5});
    clickOnKeys(SpeedButton2, this, {Qt::Key_F1});
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

// The program's API archives, then the user's (midlet/ApiCatalogue.h); missing
// folders leave the list empty.
void TForm1::FillApiCatalogue() {
    for (const std::string& name : ReadApiCatalogue()) AddCheckListItem(*APIs, name);
}

void TForm1::ComboBox1Change() {
    OpenDialog1.FilterIndex = 1;
    const int mode = ComboBox1->currentIndex();
    if (mode == 0) OpenDialog1.Filter = kJarFilter;
    if (mode == 1) OpenDialog1.Filter = kJadOrJarFilter;
    edFixVer->setVisible(mode != 0);
    Label2->setVisible(mode != 0);
}

void TForm1::SpeedButton2Click() {
    App().MessageBox(AboutText(), std::string(kAboutCaption), MB_OK | MB_ICONINFORMATION);
}

void TForm1::SpeedButton1Click() {
    if (batchRunning_) return;  // a click that came in while the batch pumped messages
    try {
        RunBatch(*this);
    } catch (const std::exception& failure) {
        // The entries are guarded inside the batch; what gets here stopped the
        // whole batch, and the user must hear of it.
        App().MessageBox(failure.what(), App().Title(), MB_OK | MB_ICONSTOP);
    }
    ShowApiProblems();
    if (closeWhenBatchEnds_) close();
}

// While a batch runs, the window still repaints and moves, but nothing that
// would change the file list or the mode under it is taken.
void TForm1::SetBatchRunning(bool running) {
    batchRunning_ = running;
    for (QWidget* control :
         std::initializer_list<QWidget*>{SpeedButton1, SpeedButton6, SpeedButton7, SpeedButton8, ComboBox1})
        control->setEnabled(!running);
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

bool TForm1::StopRequested() {
    return closeWhenBatchEnds_;
}

int TForm1::FileCount() {
    return CheckListBox1->count();
}
std::string TForm1::FileAt(int index) {
    return CheckListItemText(*CheckListBox1, index);
}
void TForm1::SetFileChecked(int index, bool checked) {
    SetCheckListItemChecked(*CheckListBox1, index, checked);
}
int TForm1::ApiCount() {
    return APIs->count();
}
std::string TForm1::ApiAt(int index) {
    return CheckListItemText(*APIs, index);
}
bool TForm1::ApiChecked(int index) {
    return CheckListItemChecked(*APIs, index);
}
int TForm1::Mode() {
    return ComboBox1->currentIndex();
}
std::string TForm1::FixVersion() {
    return edFixVer->text().toStdString();
}

void TForm1::SetProgressMax(int max) {
    ProgressBar1->setMaximum(std::max(max, 1));  // a range of 0 to 0 would show Qt's busy bar
}

void TForm1::SetProgressPosition(int position) {
    ProgressBar1->setValue(std::clamp(position, ProgressBar1->minimum(), ProgressBar1->maximum()));
}

void TForm1::BatchStarted() {
    apisLeftOut_.clear();
    apiEntriesLeftOut_.clear();
    SetBatchRunning(true);
}
void TForm1::BatchEnded() {
    SetBatchRunning(false);
}

void TForm1::ShowBatchFinished(const std::string& text, const std::string& caption) {
    App().MessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

void TForm1::ApiExtractionFailed(const std::string& archive, const std::string& failure) {
    apisLeftOut_.push_back(archive + " (" + failure + ")");
}

void TForm1::ApiEntryLeftOut(const std::string& archive, const std::string& why) {
    apiEntriesLeftOut_.push_back(archive + ": " + why);
}

// A checked archive the JARs did not get is a failure the user must hear of,
// once, after the batch rather than in the middle of it. A long list of
// left-out files is cut: its length says enough.
void TForm1::ShowApiProblems() {
    if (apisLeftOut_.empty() && apiEntriesLeftOut_.empty()) return;
    constexpr std::size_t kMostLinesShown = 20;
    const auto listed = [](std::string heading, const std::vector<std::string>& lines) {
        for (std::size_t i = 0; i < lines.size() && i < kMostLinesShown; ++i) heading += "\n" + lines[i];
        if (lines.size() > kMostLinesShown)
            heading += "\n(and " + std::to_string(lines.size() - kMostLinesShown) + " more)";
        return heading;
    };
    std::string text;
    if (!apisLeftOut_.empty())
        text = listed("These API archives could not be used; the JARs did not get them:", apisLeftOut_);
    if (!apiEntriesLeftOut_.empty())
        text +=
            (text.empty() ? "" : "\n\n") + listed("These files of the API archives were left out:", apiEntriesLeftOut_);
    const unsigned icon = apisLeftOut_.empty() ? MB_ICONINFORMATION : MB_ICONSTOP;
    apisLeftOut_.clear();
    apiEntriesLeftOut_.clear();
    App().MessageBox(text, App().Title(), MB_OK | icon);
}

}  // namespace vorlan
