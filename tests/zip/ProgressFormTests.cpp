// SPDX-License-Identifier: MIT
// The progress form, offscreen: its layout, the Cancel button, and what
// closing it otherwise does not do.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>

#include "tests/support/ScriptedApplication.h"
#include "zip/TProgressForm.h"

namespace vorlan {
namespace {

struct CountingOwner final : ProgressDialogOwner {
    int cancels = 0;
    void CancelOperation() override { ++cancels; }
};

// One QApplication for the program, gone before the program ends.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "zip_progress_form_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class ProgressFormTest : public ::testing::Test {
protected:
    InstalledApplication app;
    CountingOwner owner;
};

TEST_F(ProgressFormTest, IsBuiltHiddenWithItsControlsInPlace) {
    TProgressForm form(owner);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "Vorlan");
    EXPECT_EQ(form.size(), QSize(300, 100));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(form.OwnerZip, &owner);
    EXPECT_EQ(form.StatusLabel->text(), "wait ...");
    EXPECT_EQ(form.StatusLabel->geometry().topLeft(), QPoint(10, 15));
    EXPECT_EQ(form.StatusLabel->width(), 280);
    EXPECT_EQ(form.ProgressBar->geometry().topLeft(), QPoint(10, 35));
    EXPECT_EQ(form.ProgressBar->width(), 280);
    EXPECT_EQ(form.CancelButton->text(), "&Cancel");
    EXPECT_TRUE(form.CancelButton->isDefault());
    EXPECT_EQ(form.CancelButton->y(), 60);
    EXPECT_EQ(form.CancelButton->x(), (300 - form.CancelButton->width()) / 2);
}

TEST_F(ProgressFormTest, ShowsTextAndProgress) {
    TProgressForm form(owner);
    form.Show();
    EXPECT_TRUE(form.isVisible());
    form.SetText("META-INF/MANIFEST.MF");
    EXPECT_EQ(form.StatusLabel->text(), "META-INF/MANIFEST.MF");
    EXPECT_EQ(form.StatusLabel->x(), 10);
    form.SetMax(1000);
    form.SetPosition(400);
    EXPECT_EQ(form.ProgressBar->maximum(), 1000);
    EXPECT_EQ(form.ProgressBar->value(), 400);
    form.SetPosition(5000);
    EXPECT_EQ(form.ProgressBar->value(), 1000);
    form.Hide();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ProgressFormTest, OnlyTheCancelButtonCancels) {
    TProgressForm form(owner);
    form.Show();
    form.reject();  // Escape or the close box
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(owner.cancels, 0);
    form.Show();
    form.CancelButton->click();
    EXPECT_EQ(owner.cancels, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ProgressFormTest, IsCentredOverTheMainWindow) {
    QMainWindow main;
    main.setGeometry(100, 80, 800, 600);
    main.show();
    TProgressForm form(owner);
    const QRect outer = main.frameGeometry();
    EXPECT_EQ(form.pos(), QPoint(outer.left() + (outer.width() - form.frameGeometry().width()) / 2,
                                 outer.top() + (outer.height() - form.frameGeometry().height()) / 2));
}

}  // namespace
}  // namespace vorlan
