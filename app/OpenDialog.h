// SPDX-License-Identifier: MIT
// TOpenDialog: the file chooser behind "Add". It keeps its filter in the
// Windows form ("description|patterns|..."), which is turned into Qt's form in
// one place, and asks a FileChooser, so that tests can answer in its stead.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringList>

class QWidget;

namespace vorlan {

class TOpenDialog;

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Shows the dialog as its settings say; true with the chosen paths, in the
    // dialog's order, when the user confirms. A folder among them was chosen
    // for the suites in it.
    virtual bool ChooseFiles(QWidget* parent, const TOpenDialog& dialog, std::vector<std::string>& files) = 0;
};

// Qt's own file dialog: several files at once, resizable; typed names of
// files that do not exist are taken. Its "Add Folder" button chooses the
// folders selected in its lists, or else the folder it shows.
std::unique_ptr<FileChooser> MakeQtFileChooser();

// The full paths a dialog's name box names, in the order typed. Several names
// stand in double quotes ("Snake.jar" "Tetris.jar"); text without quotes is
// one name. Names are taken in the given folder unless absolute; "~" is the
// home folder.
QStringList TypedFileNames(const QString& text, const QString& folder);

class TOpenDialog {
public:
    explicit TOpenDialog(FileChooser& chooser) : chooser_(chooser) {}

    std::string Filter;   // Windows filter text
    int FilterIndex = 1;  // the selected pair, counted from 1

    // Shows the dialog modally; true when the user confirmed, with Files() set.
    bool Execute(QWidget* parent);
    const std::vector<std::string>& Files() const { return files_; }

private:
    FileChooser& chooser_;
    std::vector<std::string> files_;
};

// "Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar" gives
// "Java archive or descriptor (*.jad *.jar)": one Qt name filter per pair.
QStringList QtNameFilters(std::string_view windowsFilter);

}  // namespace vorlan
