// SPDX-License-Identifier: MIT
// TProgressForm: the small modeless window that shows an archive operation's
// progress (current file, a bar, a Cancel button) while an engine works.
#pragma once

#include <QDialog>

#include "platform/Application.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vorlan {

class TProgressForm : public QDialog, public ProgressDialog {
public:
    // The form is built hidden, centred over the application's main window
    // (the first visible top-level main window; the screen when there is none).
    explicit TProgressForm(ProgressDialogOwner& owner);

    static constexpr int kClientWidth = 300;
    static constexpr int kClientHeight = 100;

    ProgressDialogOwner* OwnerZip;
    QLabel* StatusLabel;
    QPushButton* CancelButton;
    QProgressBar* ProgressBar;

    // ProgressDialog
    void SetMax(int n) override;
    void SetPosition(int n) override;
    void SetText(const std::string& s) override;
    void Show() override;
    void Hide() override;

    // The Cancel button: tells the owner to stop, then hides the form.
    void CancelClick();

    // Escape and the window's close box only hide the form: the operation
    // stops only through the Cancel button.
    void reject() override;

private:
    void BuildControls();
    void CentreOverMainWindow();
};

}  // namespace vorlan
