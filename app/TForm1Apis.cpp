// SPDX-License-Identifier: MIT
// The API catalogue of the main window: the archives of the API folders, and
// "(auto)" before them, which gives each JAR the archives that provide the
// classes it lacks instead of the checked ones.
#include <QFont>
#include <QListWidget>

#include "app/CheckListBox.h"
#include "app/FormTexts.h"
#include "app/QtText.h"
#include "app/TForm1.h"
#include "midlet/ApiCatalogue.h"
#include "midlet/AutoApiChooser.h"

namespace vorlan {

// The program's API archives, then the user's (midlet/ApiCatalogue.h);
// missing folders leave the list empty. "(auto)" heads a catalogue that has
// archives to choose from, unchecked like them.
void TForm1::FillApiCatalogue() {
    const std::vector<std::string> archives = ReadApiCatalogue();
    if (!archives.empty()) {
        AddCheckListItem(*APIs, std::string(kAutoApiItem));
        QListWidgetItem* automatic = APIs->item(0);
        QFont italic = automatic->font();
        italic.setItalic(true);  // not an archive: the list's one choice of another kind
        automatic->setFont(italic);
        automatic->setToolTip(FromText(kAutoApiHint));
        firstArchiveRow_ = 1;
        apiChooser_ = std::make_unique<AutoApiChooser>(DefaultOptionalPackages());
    }
    for (const std::string& name : archives) AddCheckListItem(*APIs, name);
}

// "(auto)" chooses the archives itself, so it and checked archives exclude
// each other (vorlan-batch refuses --api auto beside other --api names):
// checking one clears the other, and what is checked is what the batch does.
void TForm1::ApiCheckChanged(QListWidgetItem* item) {
    if (firstArchiveRow_ == 0 || item == nullptr || item->checkState() != Qt::Checked) return;
    if (APIs->row(item) == 0) {
        for (int row = firstArchiveRow_; row < APIs->count(); ++row) SetCheckListItemChecked(*APIs, row, false);
    } else {
        SetCheckListItemChecked(*APIs, 0, false);
    }
}

bool TForm1::AutoApiChecked() const {
    return firstArchiveRow_ == 1 && CheckListItemChecked(*APIs, 0);
}

int TForm1::ApiCount() {
    return APIs->count() - firstArchiveRow_;
}
std::string TForm1::ApiAt(int index) {
    return CheckListItemText(*APIs, index + firstArchiveRow_);
}
bool TForm1::ApiChecked(int index) {
    return CheckListItemChecked(*APIs, index + firstArchiveRow_);
}

// The batch asks for the chooser at its start and for every JAR: it answers
// as the list stood when the batch started, whatever is clicked meanwhile.
ApiChooser* TForm1::ApiAuto() {
    return apiAutoInBatch_ && Mode() == BatchMode::GenerateJad ? apiChooser_.get() : nullptr;
}

}  // namespace vorlan
