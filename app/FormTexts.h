// The fixed texts of the main window: captions, hints, the modes, the open
// dialog's filters and the about box.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

inline constexpr std::string_view kApplicationTitle = "Vorlan";

// The credit that stands at the right end of the window's caption bar.
inline constexpr std::string_view kCaptionCredit = "(made for J2ME fans)";

// The items of the mode selector, by mode.
inline constexpr std::string_view kModeItems[] = {
    "Generate JAD from JAR & add API (if checked)",
    "Generate JAR & JAD fix (special for X100/X600/E100/E700)",
};

// The open dialog's filters, in Windows filter text ("description|patterns").
inline constexpr std::string_view kJarFilter = "Java archive (*.jar)|*.jar";
inline constexpr std::string_view kJadOrJarFilter = "Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar";

inline constexpr std::string_view kDefaultFixVersion = "9.9.9";

// The hint (tool tip) of the control with that object name, its lines joined by
// CR LF; empty for a control without one.
std::string HintFor(std::string_view controlName);

// The about box's text: its lines separated by a single CR, no LF.
std::string AboutText();
inline constexpr std::string_view kAboutCaption = "About...";

}  // namespace vorlan
