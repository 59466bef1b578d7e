// SPDX-License-Identifier: MIT
// Message boxes, input boxes and event processing of the window, in Qt.
#include "app/QtApplication.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>

#include "app/QtText.h"
#include "platform/Application.h"
#include "platform/TextCharacters.h"
#include "zip/TProgressForm.h"

namespace vorlan {

namespace {

QMessageBox::Icon IconFor(unsigned style) {
    switch (style & kIconMask) {
        case MB_ICONSTOP:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The parent of a modal box: the window it belongs to, so that the box stays
// over it: the modal one open now, else the active one, else the first shown.
QWidget* BoxParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && (window->windowType() == Qt::Window || window->windowType() == Qt::Tool))
            return window;
    return nullptr;
}

}  // namespace

QtMessageBoxLayout MessageBoxLayoutFor(unsigned style) {
    QtMessageBoxLayout layout;
    switch (style & kButtonsMask) {
        case MB_OKCANCEL:
            layout.buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNOCANCEL:
            layout.buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        default:
            layout.buttons = {{QMessageBox::Ok, IDOK}};
            break;
    }
    const int defaultResult = DefaultButton(style);
    for (const QtMessageBoxLayout::Button& button : layout.buttons)
        if (button.result == defaultResult) layout.defaultButton = button.button;
    // As in Windows: Escape and the close box mean Cancel; a box with OK only
    // gives OK.
    layout.escapeButton = layout.buttons.back().button;
    layout.icon = IconFor(style);
    return layout;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& caption, unsigned style,
                                            QWidget* parent) {
    const QtMessageBoxLayout layout = MessageBoxLayoutFor(style);
    // The core builds texts with CR line ends, which a Qt label would show as
    // spaces; the box shows them as line breaks.
    auto box = std::make_unique<QMessageBox>(layout.icon, FromText(caption), FromText(WithLineFeeds(text)),
                                             QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    for (const QtMessageBoxLayout::Button& button : layout.buttons) box->addButton(button.button);
    box->setDefaultButton(layout.defaultButton);
    box->setEscapeButton(layout.escapeButton);
    return box;
}

int QtApplication::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    const QtMessageBoxLayout layout = MessageBoxLayoutFor(style);
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(text, caption, style, BoxParent());
    box->exec();
    const QMessageBox::StandardButton clicked = box->standardButton(box->clickedButton());
    for (const QtMessageBoxLayout::Button& button : layout.buttons)
        if (button.button == clicked) return button.result;
    return layout.buttons.back().result;  // the box went without a click: as Escape
}

std::string QtApplication::InputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& defaultText, int maxLength) {
    QInputDialog dialog(BoxParent());
    dialog.setInputMode(QInputDialog::TextInput);  // makes the line edit
    dialog.setWindowTitle(FromText(caption));
    dialog.setLabelText(FromText(WithLineFeeds(prompt)));
    dialog.setTextValue(FromText(defaultText));
    if (QLineEdit* edit = dialog.findChild<QLineEdit*>(); edit != nullptr && maxLength > 0)
        edit->setMaxLength(maxLength);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toStdString();
}

void QtApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::unique_ptr<ProgressDialog> QtApplication::CreateProgressDialog(ProgressDialogOwner& owner) {
    return std::make_unique<TProgressForm>(owner);
}

}  // namespace vorlan
