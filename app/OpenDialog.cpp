// SPDX-License-Identifier: MIT
// The open dialog: Windows filter text to Qt name filters, and Qt's file dialog.
#include "app/OpenDialog.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>

#include "app/QtText.h"

namespace vorlan {

namespace {

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Qt reads the patterns from the parentheses at the end of a filter and
// separates them by spaces; the Windows list "*.jad; *.jar" becomes "*.jad *.jar".
QString QtNameFilter(std::string_view description, std::string_view patterns) {
    QStringList qtPatterns;
    for (const std::string_view pattern : SplitAt(patterns, ';'))
        if (!Trimmed(pattern).empty()) qtPatterns << FromText(Trimmed(pattern));
    std::string_view label = Trimmed(description);
    const size_t open = label.rfind('(');
    if (!label.empty() && label.back() == ')' && open != std::string_view::npos)
        label = Trimmed(label.substr(0, open));  // the description shows the patterns itself
    return FromText(label) + " (" + qtPatterns.join(' ') + ")";
}

// Qt's own file dialog, whatever the desktop, so that the names typed into
// its name box are taken as typed: Qt's check would refuse a file that does
// not exist, and with several names its answer follows the file list's
// selection, which fills in while the folder is still being read.
class TypedNamesFileDialog : public QFileDialog {
public:
    explicit TypedNamesFileDialog(QWidget* parent) : QFileDialog(parent) {
        setOption(QFileDialog::DontUseNativeDialog);
        // AnyFile keeps "Open" enabled for a name that does not exist; the
        // lists still let the user pick several files.
        setFileMode(QFileDialog::AnyFile);
        for (const char* view : {"listView", "treeView"})
            if (auto* files = findChild<QAbstractItemView*>(view))
                files->setSelectionMode(QAbstractItemView::ExtendedSelection);
        AddFolderButton();
    }

    const QStringList& Chosen() const { return chosen_; }

protected:
    // Picking files in the lists writes their names into the name box, so the
    // box holds the answer in every case.
    void accept() override {
        auto* nameBox = findChild<QLineEdit*>("fileNameEdit");
        const QStringList names =
            TypedFileNames(nameBox != nullptr ? nameBox->text() : QString(), directory().absolutePath());
        if (names.isEmpty()) return;
        if (names.size() == 1 && QFileInfo(names.front()).isDir()) {  // a folder typed alone: go there
            setDirectory(names.front());
            nameBox->clear();
            return;
        }
        chosen_ = names;
        QDialog::accept();
    }

private:
    // Beside Open and Cancel, so that nothing else in the dialog changes: Open
    // still goes into a selected folder, as in every file dialog.
    void AddFolderButton() {
        auto* buttons = findChild<QDialogButtonBox*>("buttonBox");
        if (buttons == nullptr) return;
        QPushButton* folder = buttons->addButton(QString("Add &Folder"), QDialogButtonBox::ActionRole);
        folder->setObjectName("addFolderButton");
        folder->setAutoDefault(false);  // Return still opens what the name box names
        folder->setToolTip(QString("Add the suites in the selected folders, or in the folder shown"));
        connect(folder, &QPushButton::clicked, this, &TypedNamesFileDialog::ChooseFolders);
    }

    // The folders selected in the lists (both views share one selection),
    // else the folder shown. Files selected beside them are not taken: the
    // button says what it adds.
    void ChooseFolders() {
        QStringList folders;
        auto* files = findChild<QAbstractItemView*>("listView");
        auto* model = files != nullptr ? qobject_cast<QFileSystemModel*>(files->model()) : nullptr;
        if (model != nullptr && files->selectionModel() != nullptr)
            for (const QModelIndex& index : files->selectionModel()->selectedRows())
                if (model->isDir(index)) folders << QDir::cleanPath(model->filePath(index));
        folders.sort();  // the selection's order is the order of the clicks
        if (folders.isEmpty()) folders << directory().absolutePath();
        chosen_ = folders;
        QDialog::accept();
    }

    QStringList chosen_;
};

class QtFileChooser : public FileChooser {
public:
    bool ChooseFiles(QWidget* parent, const TOpenDialog& dialog, std::vector<std::string>& files) override {
        TypedNamesFileDialog fileDialog(parent);
        const QStringList filters = QtNameFilters(dialog.Filter);
        fileDialog.setNameFilters(filters);
        if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
            fileDialog.selectNameFilter(filters[dialog.FilterIndex - 1]);
        if (!lastFolder_.isEmpty()) fileDialog.setDirectory(lastFolder_);
        if (fileDialog.exec() != QDialog::Accepted) return false;
        lastFolder_ = fileDialog.directory().absolutePath();
        for (const QString& path : fileDialog.Chosen()) files.push_back(QFile::encodeName(path).toStdString());
        return true;
    }

private:
    QString lastFolder_;  // the next dialog opens where the last one was left
};

}  // namespace

std::unique_ptr<FileChooser> MakeQtFileChooser() {
    return std::make_unique<QtFileChooser>();
}

bool TOpenDialog::Execute(QWidget* parent) {
    std::vector<std::string> chosen;
    if (!chooser_.ChooseFiles(parent, *this, chosen)) return false;
    files_ = std::move(chosen);
    return true;
}

QStringList TypedFileNames(const QString& text, const QString& folder) {
    QStringList names;
    if (text.contains('"')) {
        const QStringList pieces = text.split('"');
        for (qsizetype i = 1; i < pieces.size(); i += 2)  // the odd pieces stand inside quotes
            if (!pieces[i].isEmpty()) names << pieces[i];
    } else if (!text.trimmed().isEmpty()) {
        names << text.trimmed();
    }
    const QDir base(folder);
    for (QString& name : names) {
        if (name == "~" || name.startsWith("~/")) name = QDir::homePath() + name.mid(1);
        name = QDir::cleanPath(base.absoluteFilePath(name));
    }
    return names;
}

QStringList QtNameFilters(std::string_view windowsFilter) {
    QStringList filters;
    const std::vector<std::string_view> pieces = SplitAt(windowsFilter, '|');
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) filters << QtNameFilter(pieces[i], pieces[i + 1]);
    return filters;
}

}  // namespace vorlan
