// SPDX-License-Identifier: MIT
// The fixed texts of the main window: captions, hints, the modes, the open
// dialog's filters and the about box.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

inline constexpr std::string_view kApplicationTitle = "Vorlan";

// The credit that stands at the right end of the window's caption bar.
inline constexpr std::string_view kCaptionCredit = "(made for J2ME fans)";

// The items of the mode selector, in their order: the batch mode each runs,
// and whether mode 0 also mends the manifests and JADs (what has one right
// answer: a byte-order mark, empty lines, line ends, long lines, the
// manifest's name). The repairing item comes last, so that the two modes
// keep their places.
struct ModeItem {
    std::string_view text;
    int mode;
    bool repair;
};
inline constexpr ModeItem kModeItems[] = {
    {"Generate JAD from JAR & add API (if checked)", 0, false},
    {"Generate JAR & JAD fix (special for X100/X600/E100/E700)", 1, false},
    {"Generate JAD from JAR & add API (if checked), repair manifest", 0, true},
};

// The first item of the API catalogue when it holds archives: each JAR gets
// the archives that provide the classes it lacks instead of the checked ones.
inline constexpr std::string_view kAutoApiItem = "(auto)";
inline constexpr std::string_view kAutoApiHint =
    "Каждому JAR - те API, классов которых ему не хватает (вместо отмеченных)";

// The open dialog's filters, in Windows filter text ("description|patterns").
inline constexpr std::string_view kJarFilter = "Java archive (*.jar)|*.jar";
inline constexpr std::string_view kJadOrJarFilter = "Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar";

inline constexpr std::string_view kDefaultFixVersion = "9.9.9";

// The hint (tool tip) of the control with that object name, its lines joined by
// CR LF; empty for a control without one.
std::string HintFor(std::string_view controlName);

// A button's keys, as its tool tip and the about box name them. The keys
// themselves are bound in TForm1::SetShortcuts.
struct ButtonKeys {
    std::string_view control;  // the button's object name
    std::string_view action;   // what the about box says the keys do
    std::string_view keys;     // "Insert, Ctrl+O"
};
const std::vector<ButtonKeys>& KeysOfButtons();

// While a batch runs, "Process" is the Stop button.
inline constexpr std::string_view kProcessCaption = "Process";
inline constexpr std::string_view kStopCaption = "Stop";
inline constexpr std::string_view kStopHint = "Остановить после текущего файла";
inline constexpr std::string_view kStopKeys = "Escape";

// The tool tip of a control: its hint, then the keys of its button in
// parentheses ("Сгенерить! (Ctrl+Enter, F5)").
std::string ToolTipFor(std::string_view controlName);
std::string WithKeys(std::string_view hint, std::string_view keys);

// The name a screen reader gives the control: its caption, or the first
// line of its hint where it has no caption; empty for the labels, which
// name themselves.
std::string AccessibleNameFor(std::string_view controlName);

// The about box's text: its lines separated by a single CR, no LF. It ends
// with the window's keys.
std::string AboutText();
inline constexpr std::string_view kAboutCaption = "About...";

}  // namespace vorlan
