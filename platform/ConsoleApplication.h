// SPDX-License-Identifier: MIT
// The application object of vorlan-batch: message boxes and input boxes on the
// console. On a terminal the user answers; otherwise every question takes its
// default button and every input box is cancelled, so scripts never hang.
#pragma once

#include <iosfwd>

#include "platform/Application.h"

namespace vorlan {

enum class ConsoleAnswers {
    AskUser,      // read the answers from the input
    UseDefaults,  // answer with the default button, cancel input boxes
};

class ConsoleApplication : public Application {
public:
    // Messages go to stderr; the user is asked when stdin and stderr are both
    // terminals.
    ConsoleApplication();
    ConsoleApplication(std::istream& input, std::ostream& output, ConsoleAnswers answers);

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                         int maxLength) override;
    void ProcessMessages() override {}  // there is no window to keep alive
    std::unique_ptr<ProgressDialog> CreateProgressDialog(ProgressDialogOwner& owner) override;

private:
    int AskForButton(unsigned style);

    std::istream& input_;
    std::ostream& output_;
    ConsoleAnswers answers_;
};

}  // namespace vorlan
