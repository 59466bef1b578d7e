// SPDX-License-Identifier: MIT
// The Qt application object: message boxes as the Windows style bits ask,
// CR line ends shown as line breaks, the input box's limit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "app/QtApplication.h"
#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::WhenModalOpens;

TEST(QtApplication, StyleBitsChooseButtonsDefaultEscapeAndIcon) {
    QtMessageBoxLayout layout = MessageBoxLayoutFor(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    ASSERT_EQ(layout.buttons.size(), 3u);
    EXPECT_EQ(layout.buttons[0].result, IDYES);
    EXPECT_EQ(layout.buttons[1].result, IDNO);
    EXPECT_EQ(layout.buttons[2].result, IDCANCEL);
    EXPECT_EQ(layout.defaultButton, QMessageBox::No);
    EXPECT_EQ(layout.escapeButton, QMessageBox::Cancel);
    EXPECT_EQ(layout.icon, QMessageBox::Question);

    layout = MessageBoxLayoutFor(MB_OKCANCEL | MB_ICONSTOP);
    EXPECT_EQ(layout.defaultButton, QMessageBox::Ok);
    EXPECT_EQ(layout.escapeButton, QMessageBox::Cancel);
    EXPECT_EQ(layout.icon, QMessageBox::Critical);

    layout = MessageBoxLayoutFor(MB_OK | MB_ICONINFORMATION);
    ASSERT_EQ(layout.buttons.size(), 1u);
    EXPECT_EQ(layout.escapeButton, QMessageBox::Ok);
    EXPECT_EQ(layout.icon, QMessageBox::Information);
    EXPECT_EQ(MessageBoxLayoutFor(MB_OK).icon, QMessageBox::NoIcon);
}

TEST(QtApplication, MessageBoxShowsCrAsLineBreaksAndAnswersWithTheButtonPressed) {
    QtApplication application;
    QString shownText, shownTitle;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownTitle = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(application.MessageBox("first\rsecond\r\nthird", "About...", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(shownText, "first\nsecond\nthird");
    EXPECT_EQ(shownTitle, "About...");

    WhenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(application.MessageBox("Go on?", "Vorlan", MB_OKCANCEL), IDCANCEL);
}

TEST(QtApplication, InputBoxLimitsTheTextAndCancelGivesEmpty) {
    QtApplication application;
    int limit = 0;
    WhenModalOpens([&](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        limit = edit->maxLength();
        edit->setText("PKBACK# 002 and more");
        QTest::keyClick(modal, Qt::Key_Return);
    });
    EXPECT_EQ(application.InputBox("Disk", "Insert the disk", "PKBACK# 001", 11), "PKBACK# 002");
    EXPECT_EQ(limit, 11);

    WhenModalOpens([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(application.InputBox("Disk", "Insert the disk", "PKBACK# 001", 11), "");
}

}  // namespace
}  // namespace vorlan
