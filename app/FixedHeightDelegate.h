// SPDX-License-Identifier: MIT
// Qt's own item delegate with the window's 13-pixel item height, for the two
// check lists and the mode selector's drop-down list.
#pragma once

#include <QStyledItemDelegate>

namespace vorlan {

inline constexpr int kItemHeight = 13;

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
    }
};

}  // namespace vorlan
