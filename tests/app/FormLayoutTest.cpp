// SPDX-License-Identifier: MIT
// The window as it is laid out: every control under its name, place and size,
// with its caption, hint, focus and look.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::TestForm;

struct Placed {
    const char* name;
    QRect geometry;
    const char* caption;
};

TEST(FormLayout, EveryControlSitsWhereTheLayoutPutsIt) {
    TestForm test;
    TForm1& form = *test.form;
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.size(), QSize(691, 225));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());  // fixed size
    const Placed table[] = {
        {"CheckListBox1", {0, 0, 529, 153}, ""},
        {"APIs", {528, 0, 161, 153}, ""},
        {"SpeedButton6", {0, 156, 33, 25}, "Add"},
        {"SpeedButton7", {40, 156, 33, 25}, "Del"},
        {"SpeedButton8", {80, 156, 33, 25}, "Clear"},
        {"SpeedButton2", {120, 156, 26, 25}, "?"},
        {"Label1", {161, 162, 30, 13}, "Mode:"},
        {"ComboBox1", {204, 158, 325, 21}, "Generate JAD from JAR & add API (if checked)"},
        {"Label2", {536, 162, 76, 13}, "Fix new version:"},
        {"edFixVer", {616, 158, 65, 21}, "9.9.9"},
        {"SpeedButton1", {0, 185, 689, 25}, "Process"},
        {"ProgressBar1", {0, 212, 691, 13}, ""},
        {"SpeedButton3", {328, 64, 313, 25}, "AMR2WAV"},
    };
    for (const Placed& control : table) {
        SCOPED_TRACE(control.name);
        auto* widget = form.findChild<QWidget*>(control.name);
        ASSERT_NE(widget, nullptr);
        if (qobject_cast<QLabel*>(widget) != nullptr)
            EXPECT_EQ(widget->pos(), control.geometry.topLeft());  // its size follows its text
        else
            EXPECT_EQ(widget->geometry(), control.geometry);
        QString caption;
        if (auto* button = qobject_cast<QToolButton*>(widget)) caption = button->text();
        if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
        if (auto* combo = qobject_cast<QComboBox*>(widget)) caption = combo->currentText();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) caption = edit->text();
        EXPECT_EQ(caption.toStdString(), control.caption);
    }
}

TEST(FormLayout, ButtonsAreFlatAndOnlyProcessAndAmr2WavAreBold) {
    TestForm test;
    for (QToolButton* button : test.form->findChildren<QToolButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        const bool bold = button->objectName() == "SpeedButton1" || button->objectName() == "SpeedButton3";
        EXPECT_EQ(button->font().bold(), bold);
    }
    EXPECT_EQ(test.form->findChildren<QToolButton*>().size(), 6);
    EXPECT_TRUE(test.form->SpeedButton3->isHidden());
    EXPECT_EQ(test.form->ComboBox1->count(), 3);
    EXPECT_EQ(test.form->ComboBox1->itemText(1).toStdString(),
              "Generate JAR & JAD fix (special for X100/X600/E100/E700)");
    EXPECT_EQ(test.form->ComboBox1->itemText(2).toStdString(),
              "Generate JAD from JAR & add API (if checked), repair manifest");
    EXPECT_FALSE(test.form->ComboBox1->isEditable());
    for (int item = 0; item < test.form->ComboBox1->count(); ++item)  // the drop-down list's items
        EXPECT_EQ(test.form->ComboBox1->view()->sizeHintForRow(item), 13);
    EXPECT_EQ(test.form->ProgressBar1->minimum(), 0);
    EXPECT_EQ(test.form->ProgressBar1->maximum(), 1);
    EXPECT_EQ(test.form->ProgressBar1->value(), 0);
    EXPECT_EQ(test.form->CheckListBox1->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(test.form->Zip1.ShowProgressDialog);
}

// The form's font as this system gives it, the face the test setup
// installs, a wider face, and the form's font at twice its size: the labels
// keep their places and show their whole texts in each.
enum class FontCase { AsGiven, DejaVuSans, DejaVuSansMono, TwiceTheSize };

class LabelFontTest : public ::testing::TestWithParam<FontCase> {};

QFont FontFor(FontCase fontCase, QFont font) {
    if (fontCase == FontCase::DejaVuSans) font.setFamilies({"DejaVu Sans"});
    if (fontCase == FontCase::DejaVuSansMono) font.setFamilies({"DejaVu Sans Mono"});
    if (fontCase == FontCase::TwiceTheSize) font.setPixelSize(2 * font.pixelSize());
    return font;
}

TEST_P(LabelFontTest, LabelsShowTheirWholeTextInTheirPlace) {
    TestForm test;
    test.form->setFont(FontFor(GetParam(), test.form->font()));
    const std::pair<QLabel*, QPoint> labels[] = {{test.form->Label1, {161, 162}}, {test.form->Label2, {536, 162}}};
    for (const auto& [label, place] : labels) {
        SCOPED_TRACE(label->text().toStdString());
        const QFontMetrics metrics(label->font());
        EXPECT_EQ(label->font(), test.form->font());
        EXPECT_EQ(label->pos(), place);
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width());
        EXPECT_LE(metrics.height(), label->height());
    }
}

std::string FontCaseName(const ::testing::TestParamInfo<FontCase>& param) {
    constexpr const char* kNames[] = {"AsGiven", "DejaVuSans", "DejaVuSansMono", "TwiceTheSize"};
    return kNames[static_cast<int>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(Fonts, LabelFontTest,
                         ::testing::Values(FontCase::AsGiven, FontCase::DejaVuSans, FontCase::DejaVuSansMono,
                                           FontCase::TwiceTheSize),
                         FontCaseName);

// The program's main window, of the desktop's normal type (see
// X11WindowTest: a utility window drops out of task bars).
TEST(FormLayout, WindowIsAFixedMainWindowWithCloseButtonOnly) {
    TestForm test;
    EXPECT_EQ(test.form->windowType(), Qt::Window);
    const Qt::WindowFlags flags = test.form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(test.form->testAttribute(Qt::WA_QuitOnClose));
}

// The credit stands apart from the name, and the whole caption fits the
// caption bar in a bold title font, so that no part of it is cut off.
TEST(FormLayout, CaptionKeepsTheCreditInsideTheCaptionBar) {
    TestForm test;
    const QString caption = test.form->windowTitle();
    EXPECT_TRUE(caption.startsWith("Vorlan     ")) << caption.toStdString();
    EXPECT_TRUE(caption.endsWith(")"));
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    EXPECT_LE(QFontMetrics(titleFont).horizontalAdvance(caption),
              TForm1::kClientWidth - TForm1::kCaptionIconAndButtons);
}

// Each button's keys stand after its hint.
TEST(FormLayout, HintsAreTheKnownTextsWithCrLfBetweenLines) {
    TestForm test;
    TForm1& form = *test.form;
    auto hint = [](QWidget* widget) { return widget->toolTip().toStdString(); };
    EXPECT_EQ(hint(form.CheckListBox1),
              "Список файлов для операции\r\nГалочками автоматически отмечаются успешные файлы");
    EXPECT_EQ(hint(form.APIs),
              "Список Java API для добавления к JAR\r\n"
              "Позволяет \"переделывать\" игры от одного телефона к другому.\r\n"
              "Просто выберите API для которого игра была изначально предназначена");
    const std::string modeHint = hint(form.ComboBox1);
    EXPECT_EQ(modeHint.rfind("Что делать:\r\nGenerate JAD from JAR & Add API - ", 0), 0u);
    EXPECT_NE(modeHint.find(". Вам нужен будет либо JAD, либо JAR от кривого мидлета\r\n"), std::string::npos);
    EXPECT_TRUE(modeHint.ends_with("имя META-INF/MANIFEST.MF\r\n"));         // the repairing item's line
    EXPECT_NE(modeHint.find("на Х100/Х600/Е100/Е700."), std::string::npos);  // Cyrillic letters there
    EXPECT_EQ(hint(form.edFixVer),
              "Какой номер версии присвоить заплатке. (Желательно 9.9.9, но при желании можно и 9999.9.9 :-))");
    EXPECT_EQ(hint(form.SpeedButton1), "Сгенерить! (Ctrl+Enter, F5)");
    EXPECT_EQ(hint(form.SpeedButton2), "О проге (F1)");
    EXPECT_EQ(hint(form.SpeedButton6), "Добавить файлы в список (Insert, Ctrl+O)");
    EXPECT_EQ(hint(form.SpeedButton7), "Удалить выбранный файл из списка (Delete)");
    EXPECT_EQ(hint(form.SpeedButton8), "Очистить список (Ctrl+Delete)");
    EXPECT_EQ(hint(form.SpeedButton3), "Конвертнуть AMR в WAV");
    for (QWidget* none : std::initializer_list<QWidget*>{form.Label1, form.Label2, form.ProgressBar1})
        EXPECT_TRUE(none->toolTip().isEmpty()) << none->objectName().toStdString();
}

// A screen reader hears every control by a name, and the hint as its
// description; the labels are the names of the controls they stand before.
TEST(FormLayout, EveryControlHasAnAccessibleNameAndDescription) {
    TestForm test;
    TForm1& form = *test.form;
    form.ComboBox1->setCurrentIndex(1);  // shows the version box
    form.show();
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.CheckListBox1, form.APIs, form.ComboBox1, form.edFixVer, form.SpeedButton1, form.SpeedButton2,
             form.SpeedButton6, form.SpeedButton7, form.SpeedButton8, form.ProgressBar1}) {
        SCOPED_TRACE(control->objectName().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(accessible->text(QAccessible::Description), control->toolTip());
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.SpeedButton2)->text(QAccessible::Name), "About");
    for (const auto& [label, control] : {std::pair{form.Label1, static_cast<QWidget*>(form.ComboBox1)},
                                         std::pair{form.Label2, static_cast<QWidget*>(form.edFixVer)}}) {
        SCOPED_TRACE(label->text().toStdString());
        const auto labels = QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0].first->object(), label);
    }
}

// The flat lists show that they have the keyboard focus.
TEST(FormLayout, ListsAreMarkedWhileTheyHaveTheFocus) {
    TestForm test({"api.zip"});
    TForm1& form = *test.form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (QListWidget* list : {form.CheckListBox1, form.APIs}) {
        SCOPED_TRACE(list->objectName().toStdString());
        form.ComboBox1->setFocus();
        const QImage unfocused = list->grab().toImage();
        list->setFocus();
        ASSERT_TRUE(list->hasFocus());
        EXPECT_NE(list->grab().toImage(), unfocused);
        form.ComboBox1->setFocus();
        EXPECT_EQ(list->grab().toImage(), unfocused);
    }
}

TEST(FormLayout, TabOrderRunsListsModeAndVersion) {
    TestForm test;
    TForm1& form = *test.form;
    const std::vector<QWidget*> expected{form.CheckListBox1, form.ProgressBar1, form.APIs, form.ComboBox1,
                                         form.edFixVer};
    std::vector<QWidget*> order;
    QWidget* widget = form.CheckListBox1;
    do {
        if (std::find(expected.begin(), expected.end(), widget) != expected.end()) order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != form.CheckListBox1 && order.size() < expected.size());
    EXPECT_EQ(order, expected);
    EXPECT_EQ(form.ProgressBar1->focusPolicy(), Qt::NoFocus);
}

}  // namespace
}  // namespace vorlan
