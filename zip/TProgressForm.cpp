// SPDX-License-Identifier: MIT
// The progress form, built in code: a status line, a progress bar and a
// Cancel button on a fixed 300 x 100 client area.
#include "zip/TProgressForm.h"

#include <algorithm>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace vorlan {

namespace {

constexpr int kControlWidth = 280;
constexpr int kLabelTop = 15;
constexpr int kBarTop = 35;
constexpr int kButtonTop = 60;

// The window the form is centred over: a visible main window if the
// application has one, else the active window.
QWidget* FindMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) return widget;
    }
    return QApplication::activeWindow();
}

}  // namespace

TProgressForm::TProgressForm(ProgressDialogOwner& owner)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      OwnerZip(&owner),
      StatusLabel(new QLabel(this)),
      CancelButton(new QPushButton(this)),
      ProgressBar(new QProgressBar(this)) {
    setWindowTitle(QString::fromStdString(App().Title()));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(false);
    BuildControls();
    CentreOverMainWindow();
}

void TProgressForm::BuildControls() {
    StatusLabel->setText(QStringLiteral("wait ..."));
    StatusLabel->setGeometry((kClientWidth - kControlWidth) / 2, kLabelTop, kControlWidth,
                             StatusLabel->sizeHint().height());

    ProgressBar->setGeometry((kClientWidth - kControlWidth) / 2, kBarTop, kControlWidth,
                             ProgressBar->sizeHint().height());

    CancelButton->setText(QStringLiteral("&Cancel"));
    CancelButton->setDefault(true);
    const QSize button = CancelButton->sizeHint();
    CancelButton->setGeometry((kClientWidth - button.width()) / 2, kButtonTop, button.width(), button.height());
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelClick(); });
}

// Halves are rounded toward zero, as integer division does.
void TProgressForm::CentreOverMainWindow() {
    const QSize outer = frameGeometry().size();
    QRect area;
    if (QWidget* main = FindMainWindow()) {
        area = main->frameGeometry();
    } else if (QScreen* screen = QApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

void TProgressForm::SetMax(int n) {
    ProgressBar->setMaximum(n);
}

// A position beyond the range shows the nearest end, as the bar of the
// Windows program did (Qt would ignore it).
void TProgressForm::SetPosition(int n) {
    ProgressBar->setValue(std::clamp(n, ProgressBar->minimum(), ProgressBar->maximum()));
}

void TProgressForm::SetText(const std::string& s) {
    StatusLabel->setText(QString::fromStdString(s));
    StatusLabel->move((kClientWidth - StatusLabel->width()) / 2, StatusLabel->y());
}

void TProgressForm::Show() {
    show();
    raise();
}

void TProgressForm::Hide() {
    hide();
}

void TProgressForm::CancelClick() {
    OwnerZip->CancelOperation();
    hide();
}

void TProgressForm::reject() {
    hide();
}

}  // namespace vorlan
