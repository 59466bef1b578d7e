// SPDX-License-Identifier: MIT
// The main window's controls: kinds, places and sizes, captions, hints, tab
// order and the window's own settings, as the window has always been laid out.
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>

#include "app/CheckListBox.h"
#include "app/FixedHeightDelegate.h"
#include "app/FormTexts.h"
#include "app/QtText.h"
#include "app/TForm1.h"

namespace vorlan {

namespace {

enum class Weight { Regular, Bold };

// A flat speed button: a frame only under the mouse, never the keyboard focus.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const char* caption, Weight weight) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (weight == Weight::Bold) {
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
    }
    return button;
}

template <typename Widget>
Widget* Make(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}

// "MS Sans Serif" 8 point, that is 11 pixels high, or the nearest sans-serif
// face this system has.
QFont FormFont() {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "Nimbus Sans", "Helvetica"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// A label as wide and as high as its text, its left and top kept: whatever
// face and size the system gives for the form's font, no letter is cut off.
// It sizes itself again whenever its font changes.
class AutoSizeLabel : public QLabel {
public:
    using QLabel::QLabel;

    void Fit() { resize(sizeHint()); }

protected:
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);  // drops the size kept for the old font first
        if (event->type() == QEvent::FontChange) Fit();
    }
};

QLabel* MakeAutoSizeLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = Make<AutoSizeLabel>(parent, name);
    label->setText(text);
    label->Fit();
    return label;
}

}  // namespace

void TForm1::CreateControls() {
    setFont(FormFont());
    CheckListBox1 = Make<QListWidget>(this, "CheckListBox1");
    SetUpCheckListBox(*CheckListBox1);
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", kProcessCaption.data(), Weight::Bold);
    SpeedButton2 = MakeSpeedButton(this, "SpeedButton2", "?", Weight::Regular);
    SpeedButton3 = MakeSpeedButton(this, "SpeedButton3", "AMR2WAV", Weight::Bold);
    SpeedButton3->setVisible(false);  // never shown, has no action
    ProgressBar1 = Make<QProgressBar>(this, "ProgressBar1");
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    SpeedButton6 = MakeSpeedButton(this, "SpeedButton6", "Add", Weight::Regular);
    SpeedButton7 = MakeSpeedButton(this, "SpeedButton7", "Del", Weight::Regular);
    SpeedButton8 = MakeSpeedButton(this, "SpeedButton8", "Clear", Weight::Regular);
    APIs = Make<QListWidget>(this, "APIs");
    SetUpCheckListBox(*APIs);
    ComboBox1 = Make<QComboBox>(this, "ComboBox1");
    ComboBox1->setEditable(false);  // a drop-down list: no typing
    ComboBox1->setFrame(false);
    // Qt's item delegate with 13-pixel items; some styles draw the list as a
    // menu with items twice as high.
    ComboBox1->setItemDelegate(new FixedHeightDelegate(ComboBox1));
    for (const ModeItem& item : kModeItems) ComboBox1->addItem(FromText(item.text));
    ComboBox1->setCurrentIndex(0);
    Label1 = MakeAutoSizeLabel(this, "Label1", "Mode:");
    Label2 = MakeAutoSizeLabel(this, "Label2", "Fix new version:");
    edFixVer = Make<QLineEdit>(this, "edFixVer");
    edFixVer->setText(FromText(kDefaultFixVersion));
    Zip1.ShowProgressDialog = false;  // a batch shows its progress in the window
    // The labels name the controls they stand before, for screen readers.
    Label1->setBuddy(ComboBox1);
    Label2->setBuddy(edFixVer);
    PlaceControls();
    SetHints();
    SetAccessibleTexts();
    SetTabOrder();
}

void TForm1::PlaceControls() {
    setFixedSize(kClientWidth, kClientHeight);
    CheckListBox1->setGeometry(0, 0, 529, 153);
    APIs->setGeometry(528, 0, 161, 153);
    SpeedButton6->setGeometry(0, 156, 33, 25);
    SpeedButton7->setGeometry(40, 156, 33, 25);
    SpeedButton8->setGeometry(80, 156, 33, 25);
    SpeedButton2->setGeometry(120, 156, 26, 25);
    Label1->move(161, 162);  // the labels' sizes follow their texts
    ComboBox1->setGeometry(204, 158, 325, 21);
    Label2->move(536, 162);
    edFixVer->setGeometry(616, 158, 65, 21);
    SpeedButton1->setGeometry(0, 185, 689, 25);
    ProgressBar1->setGeometry(0, kClientHeight - 13, kClientWidth, 13);  // on the bottom edge
    SpeedButton3->setGeometry(328, 64, 313, 25);
}

// Each hint, with the keys of its button after it.
void TForm1::SetHints() {
    for (QWidget* control :
         std::initializer_list<QWidget*>{CheckListBox1, APIs, ComboBox1, edFixVer, SpeedButton1, SpeedButton2,
                                         SpeedButton3, SpeedButton6, SpeedButton7, SpeedButton8})
        control->setToolTip(FromText(ToolTipFor(control->objectName().toStdString())));
}

// What a screen reader says of each control: its name, and its tool tip as
// the description.
void TForm1::SetAccessibleTexts() {
    for (QWidget* control :
         std::initializer_list<QWidget*>{CheckListBox1, APIs, ComboBox1, edFixVer, SpeedButton1, SpeedButton2,
                                         SpeedButton3, SpeedButton6, SpeedButton7, SpeedButton8, ProgressBar1}) {
        control->setAccessibleName(FromText(AccessibleNameFor(control->objectName().toStdString())));
        control->setAccessibleDescription(control->toolTip());
    }
}

// Only the lists, the mode selector and the version box take the focus; the
// progress bar keeps its place in the order without ever taking it.
void TForm1::SetTabOrder() {
    QWidget::setTabOrder(CheckListBox1, ProgressBar1);
    QWidget::setTabOrder(ProgressBar1, APIs);
    QWidget::setTabOrder(APIs, ComboBox1);
    QWidget::setTabOrder(ComboBox1, edFixVer);
}

// "Vorlan" at the left and the credit near the right end of the caption bar.
// The spaces between are counted in the title font made bold, as window
// managers commonly draw captions, and leave room for the caption's icon and
// buttons: a caption too wide for its bar would have its middle or its end
// cut off, the credit with it.
void TForm1::SetCaption() {
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const QString name = FromText(kApplicationTitle);
    const QString credit = FromText(kCaptionCredit);
    const int room =
        kClientWidth - kCaptionIconAndButtons - metrics.horizontalAdvance(name) - metrics.horizontalAdvance(credit);
    const int spaces = std::max(1, room / std::max(1, metrics.horizontalAdvance(' ')));
    setWindowTitle(name + QString(spaces, ' ') + credit);
}

void TForm1::CentreOnScreen() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

}  // namespace vorlan
