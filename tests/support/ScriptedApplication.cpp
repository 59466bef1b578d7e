// SPDX-License-Identifier: MIT
// The scripted application object of the tests.
#include "tests/support/ScriptedApplication.h"

namespace vorlan {

int ScriptedApplication::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    messages.push_back({text, caption, style});
    if (messageAnswers.empty()) return DefaultButton(style);
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

std::string ScriptedApplication::InputBox(const std::string& caption, const std::string& prompt,
                                          const std::string& defaultText, int maxLength) {
    inputs.push_back({caption, prompt, defaultText, maxLength});
    if (inputAnswers.empty()) return std::string();
    std::string answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

void ScriptedApplication::ProcessMessages() {
    ++pumps;
    if (onProcessMessages) onProcessMessages();
}

namespace {

class ScriptedDialog : public ProgressDialog {
public:
    explicit ScriptedDialog(std::shared_ptr<ScriptedApplication::DialogLog> log) : log_(std::move(log)) {}
    ~ScriptedDialog() override { log_->alive = false; }
    void SetMax(int n) override { log_->calls.push_back("max " + std::to_string(n)); }
    void SetPosition(int n) override { log_->calls.push_back("position " + std::to_string(n)); }
    void SetText(const std::string& s) override { log_->calls.push_back("text " + s); }
    void Show() override { log_->calls.push_back("show"); }
    void Hide() override { log_->calls.push_back("hide"); }

private:
    std::shared_ptr<ScriptedApplication::DialogLog> log_;
};

}  // namespace

std::unique_ptr<ProgressDialog> ScriptedApplication::CreateProgressDialog(ProgressDialogOwner& owner) {
    lastDialogOwner = &owner;
    dialogs.push_back(std::make_shared<DialogLog>());
    return std::make_unique<ScriptedDialog>(dialogs.back());
}

}  // namespace vorlan
