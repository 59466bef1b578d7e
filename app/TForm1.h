// SPDX-License-Identifier: MIT
// TForm1: Vorlan's one window. The file list, the API catalogue, the mode
// selector with the fix version, Add/Del/Clear, the about box and "Process",
// which runs the batch over the window's controls (the window is the batch's
// host).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "app/OpenDialog.h"
#include "midlet/BatchHost.h"
#include "zip/TZip.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMessageBox;
class QProgressBar;
class QToolButton;

namespace vorlan {

class AutoApiChooser;

// Where the window finds its files and how it asks for files to add; tests
// point it at their own folders and answer the open dialog themselves.
struct FormSettings {
    std::string executableFolder;        // of fix.jar and API/, ending in "/"; empty: DataFolder()
    FileChooser* fileChooser = nullptr;  // nullptr: Qt's file dialog
};

class TForm1 : public QWidget, public BatchHost {
private:
    std::unique_ptr<FileChooser> qtFileChooser_;  // made before OpenDialog1, which uses it

public:
    // Builds the controls, then runs FormCreate, as the stored layout did.
    explicit TForm1(const FormSettings& settings = {});
    ~TForm1() override;

    static constexpr int kClientWidth = 691;
    static constexpr int kClientHeight = 225;
    // What a caption bar of the window's width keeps for its icon, buttons and
    // margins, in pixels.
    static constexpr int kCaptionIconAndButtons = 120;

    // The components, in their declaration order. The widgets belong to the window.
    QListWidget* CheckListBox1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    TOpenDialog OpenDialog1;
    QToolButton* SpeedButton3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* SpeedButton8 = nullptr;
    QListWidget* APIs = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edFixVer = nullptr;
    TZip Zip1;

    // The handlers.
    void Button1Click();       // Add
    void Button2Click();       // Del
    void Button3Click();       // Clear
    void SpeedButton1Click();  // Process; while a batch runs the button is Stop
    void SpeedButton2Click();  // the about box
    void FormCreate();
    void ComboBox1Change();
    // Files dropped on the window: every path is added, in the drag's order,
    // each cut to 259 characters; a folder adds the suites in it.
    void WMDropFiles(const std::vector<std::string>& droppedPaths);
    // Escape or Stop: the running batch ends after the file in hand, as when
    // the window is closed, but the window stays.
    void StopBatch();

    bool BatchRunning() const { return batchRunning_; }

    // BatchHost: the batch works on the window's controls.
    int FileCount() override;
    std::string FileAt(int index) override;
    void SetFileChecked(int index, bool checked) override;
    int ApiCount() override;
    std::string ApiAt(int index) override;
    bool ApiChecked(int index) override;
    ApiChooser* ApiAuto() override;  // "(auto)" checked when the batch started
    BatchMode Mode() override;
    bool RepairWanted() override;  // the mode selector's repairing item
    std::string FixVersion() override;
    void SetProgressMax(int max) override;
    void SetProgressPosition(int position) override;
    TZip& Zip() override { return Zip1; }
    void BatchStarted() override;
    void BatchEnded() override;
    bool StopRequested() override;  // Stop, Escape, or the window closed during the batch
    void EntryWarning(int index, const std::string& text) override;
    void EntryApisAdded(int index, const std::vector<std::string>& archives) override;
    void EntryFinished(int index, bool succeeded, const std::string& failure) override;
    void ShowBatchFinished(const std::string& text, const std::string& caption) override;
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override;
    void ApiEntryLeftOut(const std::string& archive, const std::string& why) override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void PlaceControls();
    void SetHints();
    void SetAccessibleTexts();
    void SetTabOrder();
    void SetCaption();
    void ConnectHandlers();
    void SetShortcuts();
    void CentreOnScreen();
    void FillApiCatalogue();
    void AddPathsOrSuitesIn(const std::vector<std::string>& paths);
    void ApiCheckChanged(QListWidgetItem* item);
    bool AutoApiChecked() const;
    void SetBatchRunning(bool running);
    void ShowApiProblems();
    void ShowEntryNote(const QListWidgetItem* item);
    void ShowAboutBesideBatch();

    std::string executableFolder_;
    bool batchRunning_ = false;
    bool closeWhenBatchEnds_ = false;
    bool stopRequested_ = false;
    int failedEntries_ = 0;
    // The warnings of entries whose outcome has not come yet, and the API
    // archives "(auto)" added into them.
    std::map<int, std::vector<std::string>> entryWarnings_;
    std::map<int, std::vector<std::string>> entryApisAdded_;
    // The catalogue's archives start at this row of APIs: 1 below "(auto)".
    int firstArchiveRow_ = 0;
    std::unique_ptr<AutoApiChooser> apiChooser_;
    bool apiAutoInBatch_ = false;  // "(auto)" as it stood when the running batch started
    // The about box opened during a batch: a window of its own, so that the
    // batch goes on while it stands.
    QPointer<QMessageBox> aboutBox_;
    // What the last batch could not use of the checked API archives, told in
    // one message once it has ended.
    std::vector<std::string> apisLeftOut_;
    std::vector<std::string> apiEntriesLeftOut_;
};

}  // namespace vorlan
