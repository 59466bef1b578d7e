// SPDX-License-Identifier: MIT
// Check-list behaviour and look for QListWidget.
#include "app/CheckListBox.h"

#include <QEvent>
#include <QListWidget>

#include "app/FixedHeightDelegate.h"
#include "app/QtText.h"

namespace vorlan {

namespace {

constexpr int kTextRole = Qt::UserRole;  // the item's text as bytes

// The list's one-line border takes the highlight colour while the list has
// the keyboard focus: the speed buttons never take it, so the lists, the mode
// and the version are all the focus moves among, and the flat look has no
// other focus mark.
class FocusFrame : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            auto* list = static_cast<QListWidget*>(watched);
            QPalette palette = list->palette();
            const QPalette standard = list->parentWidget() != nullptr ? list->parentWidget()->palette() : QPalette();
            palette.setColor(QPalette::WindowText, event->type() == QEvent::FocusIn
                                                       ? standard.color(QPalette::Highlight)
                                                       : standard.color(QPalette::WindowText));
            list->setPalette(palette);
        }
        return false;
    }
};

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
    list.installEventFilter(new FocusFrame(&list));
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

void SetCheckListItemNote(QListWidget& list, int index, const std::string& note) {
    QListWidgetItem* item = list.item(index);
    if (item == nullptr) return;
    const QVariant text = note.empty() ? QVariant() : QVariant(FromText(note));
    item->setData(Qt::ToolTipRole, text);
    item->setData(Qt::AccessibleDescriptionRole, text);
}

std::string CheckListItemNote(const QListWidget& list, int index) {
    const QListWidgetItem* item = list.item(index);
    return item == nullptr ? std::string() : item->data(Qt::ToolTipRole).toString().toStdString();
}

}  // namespace vorlan
