// SPDX-License-Identifier: MIT
// The two check lists of the main window (the file list and the API
// catalogue) over QListWidget: flat border, drawn in the highlight colour
// while the list has the keyboard focus, 13-pixel items, one selection,
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

// What the user should know about an item (why it failed, its warnings): its
// tool tip and the description a screen reader reads. Empty clears it.
void SetCheckListItemNote(QListWidget& list, int index, const std::string& note);
std::string CheckListItemNote(const QListWidget& list, int index);

}  // namespace vorlan
