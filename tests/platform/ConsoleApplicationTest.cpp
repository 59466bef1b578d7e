// SPDX-License-Identifier: MIT
// The console application object: what it prints and how it answers.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/ConsoleApplication.h"

namespace vorlan {
namespace {

struct Console {
    std::istringstream input;
    std::ostringstream output;
    ConsoleApplication app;
    Console(const std::string& typed, ConsoleAnswers answers) : input(typed), app(input, output, answers) {}
};

TEST(ConsoleApplication, WithoutTerminalAnswersWithTheDefaultButton) {
    Console console("y\n", ConsoleAnswers::UseDefaults);
    EXPECT_EQ(console.app.MessageBox("Overwrite?", "Vorlan", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(console.app.MessageBox("Stop?", "Vorlan", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(console.app.MessageBox("line 1\rline 2", "Finished!", MB_OK), IDOK);
    EXPECT_EQ(console.app.InputBox("Password", "Enter password", "secret", 80), "");
    const std::string printed = console.output.str();
    EXPECT_NE(printed.find("Vorlan: Overwrite?\n(answered Yes)"), std::string::npos) << printed;
    EXPECT_NE(printed.find("(answered Cancel)"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Finished!: line 1\nline 2\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find('\r'), std::string::npos);
}

TEST(ConsoleApplication, OnTerminalAsksUntilAnAnswerNamesAButton) {
    Console console("maybe\nN\n\nno\ncancel\n", ConsoleAnswers::AskUser);
    EXPECT_EQ(console.app.MessageBox("Overwrite?", "Vorlan", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(console.app.MessageBox("Overwrite?", "Vorlan", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(console.app.MessageBox("Overwrite?", "Vorlan", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(console.app.MessageBox("Go on?", "Vorlan", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(console.app.MessageBox("Go on?", "Vorlan", MB_OKCANCEL), IDCANCEL);  // end of input
    EXPECT_NE(console.output.str().find("[Y]es, [N]o, [C]ancel (Enter: Yes)? "), std::string::npos);
}

TEST(ConsoleApplication, InputBoxTakesTheDefaultOnEmptyLineAndCutsToMaxLength) {
    Console console("\nabcdef\nпароль\n", ConsoleAnswers::AskUser);
    EXPECT_EQ(console.app.InputBox("Disk", "Label", "PKBACK# 001", 20), "PKBACK# 001");
    EXPECT_EQ(console.app.InputBox("Disk", "Label", "", 3), "abc");
    EXPECT_EQ(console.app.InputBox("Disk", "Label", "", 2), "па");
    EXPECT_EQ(console.app.InputBox("Disk", "Label", "x", 2), "");  // end of input cancels
}

}  // namespace
}  // namespace vorlan
