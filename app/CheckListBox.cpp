// Check-list behaviour and look for QListWidget.
#include "app/CheckListBox.h"

#include <QListWidget>

#include "app/FixedHeightDelegate.h"
#include "app/QtText.h"

namespace vorlan {

namespace {

constexpr int kTextRole = Qt::UserRole;  // the item's text as bytes

}  // namespace

void SetUpCheckListBox(QListWidget& list) {
    list.setFrameShape(QFrame::Box);  // a flat one-line border, no 3-D edge
    list.setFrameShadow(QFrame::Plain);
    list.setLineWidth(1);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSortingEnabled(false);
    // Every item is measured: the horizontal scroll range must reach the end
    // of the longest path, wherever it stands (uniform sizes would take the
    // first item's width for all).
    list.setUniformItemSizes(false);
    list.setItemDelegate(new FixedHeightDelegate(&list));
}

void AddCheckListItem(QListWidget& list, const std::string& text) {
    auto* item = new QListWidgetItem(FromText(text));
    item->setData(kTextRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    list.addItem(item);
}

std::string CheckListItemText(const QListWidget& list, int index) {
    const QListWidgetItem* item = list.item(index);
    if (item == nullptr) return {};
    return item->data(kTextRole).toByteArray().toStdString();
}

bool CheckListItemChecked(const QListWidget& list, int index) {
    const QListWidgetItem* item = list.item(index);
    return item != nullptr && item->checkState() == Qt::Checked;
}

void SetCheckListItemChecked(QListWidget& list, int index, bool checked) {
    if (QListWidgetItem* item = list.item(index)) item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace vorlan
