// SPDX-License-Identifier: MIT
// Message boxes and input boxes on the console.
#include "platform/ConsoleApplication.h"

#include <unistd.h>

#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/TextCharacters.h"

namespace vorlan {

namespace {

struct Button {
    const char* label;
    int result;
};

std::vector<Button> ButtonsOf(unsigned style) {
    switch (style & kButtonsMask) {
        case MB_OKCANCEL:
            return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
        case MB_YESNOCANCEL:
            return {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
        default:
            return {{"OK", IDOK}};
    }
}

std::string LabelOf(const std::vector<Button>& buttons, int result) {
    for (const Button& button : buttons)
        if (button.result == result) return button.label;
    return "OK";
}

std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "y", "yes", "Y" ... name the button Yes; 0 when the answer names none.
int ButtonNamed(const std::vector<Button>& buttons, const std::string& answer) {
    const std::string typed = Lowered(Trimmed(answer));
    if (typed.empty()) return 0;
    for (const Button& button : buttons) {
        const std::string label = Lowered(button.label);
        if (typed == label || typed == label.substr(0, 1)) return button.result;
    }
    return 0;
}

std::string PromptFor(const std::vector<Button>& buttons, int defaultResult) {
    std::string prompt;
    for (const Button& button : buttons) {
        if (!prompt.empty()) prompt += ", ";
        prompt += std::string("[") + button.label[0] + "]" + (button.label + 1);
    }
    return prompt + " (Enter: " + LabelOf(buttons, defaultResult) + ")? ";
}

bool OnTerminal() {
    return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
}

}  // namespace

ConsoleApplication::ConsoleApplication()
    : ConsoleApplication(std::cin, std::cerr, OnTerminal() ? ConsoleAnswers::AskUser : ConsoleAnswers::UseDefaults) {}

ConsoleApplication::ConsoleApplication(std::istream& input, std::ostream& output, ConsoleAnswers answers)
    : input_(input), output_(output), answers_(answers) {}

int ConsoleApplication::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    output_ << caption << ": " << WithLineFeeds(text) << "\n";
    const std::vector<Button> buttons = ButtonsOf(style);
    if (buttons.size() == 1) return IDOK;  // nothing to choose: the message is all there is
    if (answers_ == ConsoleAnswers::UseDefaults) {
        const int answer = DefaultButton(style);
        output_ << "(answered " << LabelOf(buttons, answer) << ")\n";
        return answer;
    }
    return AskForButton(style);
}

int ConsoleApplication::AskForButton(unsigned style) {
    const std::vector<Button> buttons = ButtonsOf(style);
    const int defaultResult = DefaultButton(style);
    for (;;) {
        output_ << PromptFor(buttons, defaultResult) << std::flush;
        std::string line;
        if (!std::getline(input_, line)) return IDCANCEL;  // end of input closes the box
        if (Trimmed(line).empty()) return defaultResult;
        if (const int chosen = ButtonNamed(buttons, line)) return chosen;
    }
}

std::string ConsoleApplication::InputBox(const std::string& caption, const std::string& prompt,
                                         const std::string& defaultText, int maxLength) {
    output_ << caption << ": " << WithLineFeeds(prompt);
    if (answers_ == ConsoleAnswers::UseDefaults) {
        output_ << "\n(no answer on the console: cancelled)\n";
        return {};
    }
    output_ << " [" << defaultText << "] " << std::flush;
    std::string line;
    if (!std::getline(input_, line)) return {};  // end of input is a Cancel
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return defaultText;
    if (maxLength > 0) line = FirstCharacters(line, static_cast<size_t>(maxLength));
    return line;
}

std::unique_ptr<ProgressDialog> ConsoleApplication::CreateProgressDialog(ProgressDialogOwner&) {
    return nullptr;
}

}  // namespace vorlan
