// SPDX-License-Identifier: MIT
// "Process" and the window as the batch's host: the controls the batch reads
// and marks, Stop, the entries' failures and warnings, and the closing box.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <iterator>

#include "app/CheckListBox.h"
#include "app/FormTexts.h"
#include "app/QtText.h"
#include "app/TForm1.h"
#include "midlet/BatchDriver.h"

namespace vorlan {

namespace {

// "2 of 200 files failed and are left unchecked." and where to read why.
std::string FailuresText(int failed, int total) {
    std::string text = std::to_string(failed) + " of " + std::to_string(total) + (total == 1 ? " file" : " files") +
                       (failed == 1 ? " failed and is" : " failed and are") + " left unchecked.";
    return text + "\nPoint at an unchecked file, or select it, to read why it failed.";
}

}  // namespace

void TForm1::SpeedButton1Click() {
    if (batchRunning_) {
        StopBatch();  // the button is Stop while the batch runs
        return;
    }
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

void TForm1::StopBatch() {
    if (!batchRunning_ || stopRequested_) return;
    stopRequested_ = true;
    SpeedButton1->setEnabled(false);  // stopping: the file in hand is still being finished
}

// While a batch runs, the window still repaints and moves, but nothing that
// would change the file list or the mode under it is taken; "Process" turns
// into Stop.
void TForm1::SetBatchRunning(bool running) {
    batchRunning_ = running;
    for (QWidget* control : std::initializer_list<QWidget*>{SpeedButton6, SpeedButton7, SpeedButton8, ComboBox1})
        control->setEnabled(!running);
    SpeedButton1->setEnabled(true);
    SpeedButton1->setText(FromText(running ? kStopCaption : kProcessCaption));
    SpeedButton1->setToolTip(FromText(running ? WithKeys(kStopHint, kStopKeys) : ToolTipFor("SpeedButton1")));
    SpeedButton1->setAccessibleName(running ? FromText(kStopCaption) : FromText(AccessibleNameFor("SpeedButton1")));
    SpeedButton1->setAccessibleDescription(SpeedButton1->toolTip());
}

bool TForm1::StopRequested() {
    return closeWhenBatchEnds_ || stopRequested_;
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
// The mode selector's items run the two modes, one of them repairing.
BatchMode TForm1::Mode() {
    const int item = ComboBox1->currentIndex();
    return static_cast<BatchMode>(item >= 0 && item < static_cast<int>(std::size(kModeItems)) ? kModeItems[item].mode
                                                                                              : item);
}
bool TForm1::RepairWanted() {
    const int item = ComboBox1->currentIndex();
    return item >= 0 && item < static_cast<int>(std::size(kModeItems)) && kModeItems[item].repair;
}
std::string TForm1::FixVersion() {
    return edFixVer->text().toStdString();
}

void TForm1::SetProgressMax(int max) {
    ProgressBar1->setMaximum(std::max(max, 1));  // a range of 0 to 0 would show Qt's busy bar
}

// The position counts the entries whose work is done, so it is also the
// entry in hand: the list scrolls with the batch to keep that one in sight.
void TForm1::SetProgressPosition(int position) {
    ProgressBar1->setValue(std::clamp(position, ProgressBar1->minimum(), ProgressBar1->maximum()));
    if (batchRunning_ && CheckListBox1->count() > 0)
        CheckListBox1->scrollToItem(CheckListBox1->item(std::clamp(position, 0, CheckListBox1->count() - 1)));
}

void TForm1::BatchStarted() {
    apisLeftOut_.clear();
    apiEntriesLeftOut_.clear();
    entryWarnings_.clear();
    entryApisAdded_.clear();
    apiAutoInBatch_ = AutoApiChecked();
    failedEntries_ = 0;
    stopRequested_ = false;
    for (int i = 0; i < CheckListBox1->count(); ++i) SetCheckListItemNote(*CheckListBox1, i, {});
    SetBatchRunning(true);
}
void TForm1::BatchEnded() {
    SetBatchRunning(false);
}

void TForm1::EntryWarning(int index, const std::string& text) {
    entryWarnings_[index].push_back(text);
}

void TForm1::EntryApisAdded(int index, const std::vector<std::string>& archives) {
    entryApisAdded_[index] = archives;
}

// The entry's failure and warnings, worded as vorlan-batch prints them,
// become the entry's note: its tool tip and what selecting it shows. The
// archives "(auto)" added come first; the batch's notice of an added archive
// ("added acme.zip for com/acme/Beep") says it best and is no warning.
void TForm1::EntryFinished(int index, bool succeeded, const std::string& failure) {
    if (!succeeded) ++failedEntries_;
    std::vector<std::string> lines;
    if (!succeeded) lines.push_back(failure);
    std::vector<std::string> warnings = std::move(entryWarnings_[index]);
    for (const std::string& archive : entryApisAdded_[index]) {
        const std::string notice = "added " + archive + " for ";
        const auto told = std::find_if(warnings.begin(), warnings.end(),
                                       [&notice](const std::string& warning) { return warning.starts_with(notice); });
        lines.push_back(told != warnings.end() ? *told : "added " + archive);
        if (told != warnings.end()) warnings.erase(told);
    }
    for (const std::string& warning : warnings) lines.push_back("warning: " + warning);
    entryWarnings_.erase(index);
    entryApisAdded_.erase(index);
    std::string note;
    for (const std::string& line : lines) note += (note.empty() ? "" : "\n") + line;
    SetCheckListItemNote(*CheckListBox1, index, note);
}

// Every entry succeeded: the box the users know. Otherwise it says how many
// failed, and where to read why.
void TForm1::ShowBatchFinished(const std::string& text, const std::string& caption) {
    // The batch's work is over: under the box the button no longer says Stop.
    SpeedButton1->setText(FromText(kProcessCaption));
    SpeedButton1->setEnabled(false);
    if (failedEntries_ == 0)
        App().MessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
    else
        App().MessageBox(FailuresText(failedEntries_, FileCount()), caption, MB_OK | MB_ICONWARNING);
}

// A selected entry with a note shows it at once, beside the entry, as the
// mouse pointer would.
void TForm1::ShowEntryNote(const QListWidgetItem* item) {
    if (item == nullptr || batchRunning_) return;
    const QString note = item->data(Qt::ToolTipRole).toString();
    if (note.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    const QRect place = CheckListBox1->visualItemRect(item);
    QToolTip::showText(CheckListBox1->viewport()->mapToGlobal(place.bottomLeft()), note, CheckListBox1->viewport(),
                       place);
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
