// SPDX-License-Identifier: MIT
// The window from the keyboard: the speed buttons never take the focus, so
// their keys must reach them wherever the focus stands in the window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <functional>

#include <QKeySequence>
#include <QToolButton>

#include "app/FormTexts.h"
#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::Scripted;
using test::TestForm;

enum class Effect { OpensAddDialog, RemovesSelectedEntry, RunsBatch, ShowsAbout, EditsVersion };

struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool focusOnVersion;  // else the file list has the focus
    Effect effect;
};

class FormKeyboard : public ::testing::TestWithParam<Key> {};

TEST_P(FormKeyboard, KeyDoesWhatItsButtonDoes) {
    const Key& key = GetParam();
    TestForm test;
    TForm1& form = *test.form;
    form.WMDropFiles({"/games/a.jar"});
    form.WMDropFiles({"/games/b.jar"});
    form.CheckListBox1->setCurrentRow(0);
    form.ComboBox1->setCurrentIndex(1);  // shows the version box
    form.edFixVer->setText("1.2.3");
    form.edFixVer->setCursorPosition(0);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QWidget* focus = key.focusOnVersion ? static_cast<QWidget*>(form.edFixVer) : form.CheckListBox1;
    focus->setFocus();
    test.chooser.answers = {std::nullopt};  // the dialog is cancelled

    QTest::keyClick(focus, key.key, key.modifiers);

    EXPECT_EQ(test.chooser.shown.size(), key.effect == Effect::OpensAddDialog ? 1u : 0u);
    EXPECT_EQ(form.FileCount(), key.effect == Effect::RemovesSelectedEntry ? 1 : 2);
    if (key.effect == Effect::RemovesSelectedEntry) {
        EXPECT_EQ(form.FileAt(0), "/games/b.jar");
    }
    EXPECT_EQ(form.FixVersion(), key.effect == Effect::EditsVersion ? ".2.3" : "1.2.3");
    std::string shown;
    for (const ScriptedApplication::Shown& message : Scripted().messages) shown += message.caption + ";";
    const char* expected = key.effect == Effect::RunsBatch    ? "Finished!;"
                           : key.effect == Effect::ShowsAbout ? "About...;"
                                                              : "";
    EXPECT_EQ(shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FormKeyboard,
    ::testing::Values(Key{"Insert", Qt::Key_Insert, Qt::NoModifier, false, Effect::OpensAddDialog},
                      Key{"CtrlO", Qt::Key_O, Qt::ControlModifier, true, Effect::OpensAddDialog},
                      Key{"DeleteOnTheList", Qt::Key_Delete, Qt::NoModifier, false, Effect::RemovesSelectedEntry},
                      Key{"DeleteInTheVersion", Qt::Key_Delete, Qt::NoModifier, true, Effect::EditsVersion},
                      Key{"F5", Qt::Key_F5, Qt::NoModifier, true, Effect::RunsBatch},
                      Key{"CtrlReturn", Qt::Key_Return, Qt::ControlModifier, false, Effect::RunsBatch},
                      Key{"CtrlEnter", Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, false,
                          Effect::RunsBatch},
                      Key{"F1", Qt::Key_F1, Qt::NoModifier, false, Effect::ShowsAbout}),
    [](const ::testing::TestParamInfo<Key>& key) { return std::string(key.param.name); });

// What a press of a button or of a key did to a fresh window holding two
// files, the first selected and the file list in focus.
std::string EffectOf(const std::function<void(TForm1&)>& press) {
    TestForm test;
    TForm1& form = *test.form;
    form.WMDropFiles({"/games/a.jar", "/games/b.jar"});
    form.CheckListBox1->setCurrentRow(0);
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form)) return "window not active";
    form.CheckListBox1->setFocus();
    test.chooser.answers = {std::nullopt};
    press(form);
    std::string effect = "dialogs " + std::to_string(test.chooser.shown.size()) + ", files";
    for (int i = 0; i < form.FileCount(); ++i) effect += " " + form.FileAt(i);
    for (const ScriptedApplication::Shown& message : Scripted().messages) effect += ", box " + message.caption;
    return effect;
}

// The keys between the parentheses at the end of a tool tip.
QStringList KeysNamedIn(const QString& toolTip) {
    if (!toolTip.endsWith(')') || !toolTip.contains(" (")) return {};
    return toolTip.mid(toolTip.lastIndexOf(" (") + 2).chopped(1).split(", ");
}

// Every key a button's tool tip names does what the button does, and the
// about box names it too.
TEST(FormKeyboard, EveryKeyATooltipNamesDoesWhatItsButtonDoes) {
    const std::string about = AboutText();
    for (const ButtonKeys& button : KeysOfButtons()) {
        const std::string name(button.control);
        SCOPED_TRACE(name);
        TestForm test;
        auto* widget = test.form->findChild<QToolButton*>(QString::fromStdString(name));
        ASSERT_NE(widget, nullptr);
        const QStringList keys = KeysNamedIn(widget->toolTip());
        ASSERT_FALSE(keys.isEmpty()) << widget->toolTip().toStdString();
        const std::string clicked =
            EffectOf([&](TForm1& form) { form.findChild<QToolButton*>(QString::fromStdString(name))->click(); });
        for (const QString& key : keys) {
            SCOPED_TRACE(key.toStdString());
            const QKeySequence sequence = QKeySequence::fromString(key);
            ASSERT_EQ(sequence.count(), 1);
            const QKeyCombination combination = sequence[0];
            EXPECT_EQ(EffectOf([&](TForm1& form) {
                          QTest::keyClick(form.CheckListBox1, combination.key(), combination.keyboardModifiers());
                      }),
                      clicked);
            EXPECT_NE(about.find(key.toStdString()), std::string::npos);
        }
    }
}

// A key does nothing while its button is disabled: no second batch, no edit
// of the list under a running one.
TEST(FormKeyboardDuringBatch, KeysOfDisabledButtonsDoNothing) {
    TestForm test;
    TForm1& form = *test.form;
    form.WMDropFiles({"/games/a.jar"});
    form.CheckListBox1->setCurrentRow(0);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.CheckListBox1->setFocus();
    form.BatchStarted();
    for (const Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_F5}) QTest::keyClick(form.CheckListBox1, key);
    QTest::keyClick(form.CheckListBox1, Qt::Key_Delete, Qt::ControlModifier);
    form.BatchEnded();
    EXPECT_TRUE(test.chooser.shown.empty());
    EXPECT_EQ(form.FileCount(), 1);
    EXPECT_TRUE(Scripted().messages.empty());
}

}  // namespace
}  // namespace vorlan
