// The two check lists of the main window (the file list and the API
// catalogue) over QListWidget: flat border, 13-pixel items, one selection,
// every item with a check box. An item keeps the exact bytes of its path or
// name, which the batch gets back even when they are not valid UTF-8.
#pragma once

#include <string>

class QListWidget;

namespace vorlan {

void SetUpCheckListBox(QListWidget& list);

// Appends an unchecked item.
void AddCheckListItem(QListWidget& list, const std::string& text);

std::string CheckListItemText(const QListWidget& list, int index);
bool CheckListItemChecked(const QListWidget& list, int index);
void SetCheckListItemChecked(QListWidget& list, int index, bool checked);

}  // namespace vorlan
