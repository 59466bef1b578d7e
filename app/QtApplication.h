// SPDX-License-Identifier: MIT
// The window's application object: Qt message boxes and input boxes, Qt's
// event processing, and the progress form of the archive component.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QMessageBox>

#include "platform/Application.h"

namespace vorlan {

// How a message box style looks in Qt: its buttons with the result each
// gives, the default button, the one Escape and the close box give, and the icon.
struct QtMessageBoxLayout {
    struct Button {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Button> buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escapeButton;
    QMessageBox::Icon icon;
};
QtMessageBoxLayout MessageBoxLayoutFor(unsigned style);

// A message box of that style, not yet shown: MessageBox runs it modally,
// the window shows its about box with it beside a running batch.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& caption, unsigned style,
                                            QWidget* parent);

class QtApplication : public Application {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                         int maxLength) override;
    void ProcessMessages() override;
    std::unique_ptr<ProgressDialog> CreateProgressDialog(ProgressDialogOwner& owner) override;
};

}  // namespace vorlan
