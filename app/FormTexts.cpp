// SPDX-License-Identifier: MIT
// The fixed texts of the main window.
#include "app/FormTexts.h"

#include <vector>

#include "VorlanVersion.h"

namespace vorlan {

namespace {

enum class HintEnd { LastLine, LineBreak };

struct Hint {
    std::string_view control;
    std::vector<std::string_view> lines;
    HintEnd end;
};

// The hints as the users know them; the mode selector's ends with a line break.
const std::vector<Hint>& Hints() {
    static const std::vector<Hint> hints = {
        {"CheckListBox1",
         {"Список файлов для операции", "Галочками автоматически отмечаются успешные файлы"},
         HintEnd::LastLine},
        {"APIs",
         {"Список Java API для добавления к JAR", "Позволяет \"переделывать\" игры от одного телефона к другому.",
          "Просто выберите API для которого игра была изначально предназначена"},
         HintEnd::LastLine},
        {"ComboBox1",
         {"Что делать:",
          "Generate JAD from JAR & Add API - создает JAD файл в папке с таким же именем, что и JAR Если выбран хоть "
          "один API, то добавляет в JAR выбранный(ые) вами API. Служит для переделки игр от одного телефона к другому, "
          "и прочих дополнений.",
          "Generate JAR & JAD fix (special for X100/X600/E100/E700) - создает заплатку для неудаляемых мидлетов на "
          "Х100/Х600/Е100/Е700. Вам нужен будет либо JAD, либо JAR от кривого мидлета",
          "Generate JAD from JAR & add API, repair manifest - то же, что первый пункт, и вдобавок исправляет в "
          "манифесте и JAD то, что исправляется однозначно: метку BOM, пустые строки, концы строк, длинные строки, "
          "имя META-INF/MANIFEST.MF"},
         HintEnd::LineBreak},
        {"edFixVer",
         {"Какой номер версии присвоить заплатке. (Желательно 9.9.9, но при желании можно и 9999.9.9 :-))"},
         HintEnd::LastLine},
        {"SpeedButton1", {"Сгенерить!"}, HintEnd::LastLine},
        {"SpeedButton2", {"О проге"}, HintEnd::LastLine},
        {"SpeedButton6", {"Добавить файлы в список"}, HintEnd::LastLine},
        {"SpeedButton7", {"Удалить выбранный файл из списка"}, HintEnd::LastLine},
        {"SpeedButton8", {"Очистить список"}, HintEnd::LastLine},
        {"SpeedButton3", {"Конвертнуть AMR в WAV"}, HintEnd::LastLine},
    };
    return hints;
}

template <typename Line>
std::string Joined(const std::vector<Line>& lines, std::string_view separator) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += separator;
        text += lines[i];
    }
    return text;
}

const std::vector<ButtonKeys> kButtonKeys = {
    {"SpeedButton6", "add files", "Insert, Ctrl+O"},
    {"SpeedButton7", "remove the selected file (in the file list)", "Delete"},
    {"SpeedButton8", "clear the list", "Ctrl+Delete"},
    {"SpeedButton1", "process the list", "Ctrl+Enter, F5"},
    {"SpeedButton2", "show this box", "F1"},
};

// A screen reader's name for each control; the labels name themselves and
// the controls they stand before (their buddies).
struct AccessibleName {
    std::string_view control;
    std::string_view name;
};
constexpr AccessibleName kAccessibleNames[] = {
    {"CheckListBox1", "Список файлов для операции"},
    {"APIs", "Список Java API для добавления к JAR"},
    {"ComboBox1", "Mode"},
    {"edFixVer", "Fix new version"},
    {"SpeedButton1", "Process"},
    {"SpeedButton2", "About"},
    {"SpeedButton3", "AMR2WAV"},
    {"SpeedButton6", "Add"},
    {"SpeedButton7", "Del"},
    {"SpeedButton8", "Clear"},
    {"ProgressBar1", "Progress"},
};

// The end of the about box: each key with what it does.
std::vector<std::string> KeyLines() {
    std::vector<std::string> lines{"", "Keys:"};
    for (const ButtonKeys& button : kButtonKeys) {
        lines.push_back(std::string(button.keys) + " - " + std::string(button.action));
        if (button.control == "SpeedButton1")
            lines.push_back(std::string(kStopKeys) + " - stop processing after the file in hand");
    }
    return lines;
}

}  // namespace

const std::vector<ButtonKeys>& KeysOfButtons() {
    return kButtonKeys;
}

std::string WithKeys(std::string_view hint, std::string_view keys) {
    std::string text(hint);
    if (!keys.empty()) text += " (" + std::string(keys) + ")";
    return text;
}

std::string ToolTipFor(std::string_view controlName) {
    for (const ButtonKeys& button : kButtonKeys)
        if (button.control == controlName) return WithKeys(HintFor(controlName), button.keys);
    return HintFor(controlName);
}

std::string AccessibleNameFor(std::string_view controlName) {
    for (const AccessibleName& entry : kAccessibleNames)
        if (entry.control == controlName) return std::string(entry.name);
    return {};
}

std::string HintFor(std::string_view controlName) {
    for (const Hint& hint : Hints()) {
        if (hint.control != controlName) continue;
        std::string text = Joined(hint.lines, "\r\n");
        if (hint.end == HintEnd::LineBreak) text += "\r\n";
        return text;
    }
    return {};
}

std::string AboutText() {
    const std::string title = std::string("Vorlan v.") + kVersion +
                              ". Made by the Vorlan developers for everyone who keeps old phones playing.";
    // CR alone between lines, as the box has always been given them.
    std::vector<std::string> lines{
        title,
        "This program can:",
        "- generate JADs from JARs",
        "- add Java APIs to JAR and generate JAD from JAR",
        "You can manually add your API, simply adding archive with API to \"%INSTALLDIR%\\API\" directory.",
        "Supported APIs archives are: jar, zip;",
        "- create fixes for \"undeletable\" midlets for Gnusmas cell phones.",
        "Note! For creating a fix U need just a JAD or just a JAR. U don't need to give program both files!",
        "As a fix this program uses br.BookReader",
        "",
        "Best Gnusmas cell phones related site: gnusmas-fans.example.org",
        "Best Alorotom cell phones related site: alorotom-fans.example.org",
        "",
        "U can contact me: vorlan@example.org",
    };
    for (std::string& line : KeyLines()) lines.push_back(std::move(line));
    return Joined(lines, "\r");
}

}  // namespace vorlan
