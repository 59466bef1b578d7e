// SPDX-License-Identifier: MIT
// The file list: Add through the open dialog, Del, Clear, and files dropped
// on the window; a folder stands for the suites in it.
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <filesystem>

#include "app/CheckListBox.h"
#include "app/QtApplication.h"
#include "app/TForm1.h"
#include "midlet/SuiteWalk.h"
#include "platform/TextCharacters.h"

namespace vorlan {

namespace {

// The drop buffer held 260 characters with its terminating zero.
constexpr size_t kMaxDroppedPathCharacters = 259;

std::vector<std::string> DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return paths;
}

// A drop is taken as a copy, else as a link, never as a move: a source that
// is told its file moved may delete it. IgnoreAction when neither is offered.
Qt::DropAction CopyOrLink(Qt::DropActions offered) {
    if (offered & Qt::CopyAction) return Qt::CopyAction;
    if (offered & Qt::LinkAction) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

// Takes a drag or drop of local files as a copy or a link; anything else is
// refused.
bool TakeAsCopyOrLink(QDropEvent& event) {
    const Qt::DropAction action = CopyOrLink(event.possibleActions());
    if (action == Qt::IgnoreAction || DroppedPaths(event.mimeData()).empty()) {
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

}  // namespace

void TForm1::Button1Click() {
    if (batchRunning_) return;
    if (!OpenDialog1.Execute(this)) return;
    AddPathsOrSuitesIn(OpenDialog1.Files());
}

void TForm1::Button2Click() {
    if (batchRunning_) return;
    const QList<QListWidgetItem*> selected = CheckListBox1->selectedItems();
    if (selected.isEmpty()) return;
    const int row = CheckListBox1->row(selected.front());
    delete CheckListBox1->takeItem(row);
    // The entry now at that place (the last one when the last went) is
    // selected, so that Del pressed again goes on removing.
    if (CheckListBox1->count() > 0) CheckListBox1->setCurrentRow(std::min(row, CheckListBox1->count() - 1));
}

void TForm1::Button3Click() {
    if (batchRunning_) return;
    CheckListBox1->clear();
}

void TForm1::WMDropFiles(const std::vector<std::string>& droppedPaths) {
    if (batchRunning_) return;
    std::vector<std::string> paths;
    for (const std::string& path : droppedPaths) paths.push_back(FirstCharacters(path, kMaxDroppedPathCharacters));
    AddPathsOrSuitesIn(paths);
}

// Each path is added as it is, but a folder: it adds the suites in it, walked
// as vorlan-batch -r walks one (sorted, links to folders not followed,
// hidden folders and Vorlan's own files left out), the files the mode takes:
// JARs, or JADs and the JARs without one. A folder that adds nothing is named
// in one message after the others, so that a drop never does nothing in
// silence.
void TForm1::AddPathsOrSuitesIn(const std::vector<std::string>& paths) {
    const SuiteWalkKind kind = Mode() == BatchMode::BuildFix ? SuiteWalkKind::Descriptors : SuiteWalkKind::Jars;
    std::vector<std::string> nothingAdded;
    for (const std::string& path : paths) {
        std::error_code unknown;  // a path that cannot be looked at is no folder: the batch says what it is
        if (!std::filesystem::is_directory(path, unknown)) {
            AddCheckListItem(*CheckListBox1, path);
            continue;
        }
        try {
            const std::vector<std::string> suites = WalkSuites(path, kind);
            const std::string base = path.ends_with('/') ? path : path + "/";
            for (const std::string& suite : suites) AddCheckListItem(*CheckListBox1, base + suite);
            if (suites.empty())
                nothingAdded.push_back(path +
                                       (kind == SuiteWalkKind::Jars ? " (no JAR in it)" : " (no JAD or JAR in it)"));
        } catch (const std::exception& failure) {
            nothingAdded.push_back(path + " (" + failure.what() + ")");
        }
    }
    if (nothingAdded.empty()) return;
    std::string text = "Nothing was added from these folders:";
    for (const std::string& line : nothingAdded) text += "\n" + line;
    App().MessageBox(text, App().Title(), MB_OK | MB_ICONWARNING);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (batchRunning_)
        event->ignore();
    else
        TakeAsCopyOrLink(*event);
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    if (batchRunning_)
        event->ignore();
    else
        TakeAsCopyOrLink(*event);
}

void TForm1::dropEvent(QDropEvent* event) {
    if (!batchRunning_ && TakeAsCopyOrLink(*event)) WMDropFiles(DroppedPaths(event->mimeData()));
}

}  // namespace vorlan
