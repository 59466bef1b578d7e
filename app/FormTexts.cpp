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
          "Х100/Х600/Е100/Е700. Вам нужен будет либо JAD, либо JAR от кривого мидлета"},
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

std::string Joined(const std::vector<std::string_view>& lines, std::string_view separator) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += separator;
        text += lines[i];
    }
    return text;
}

}  // namespace

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
    return Joined(
        {
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
        },
        "\r");
}

}  // namespace vorlan
