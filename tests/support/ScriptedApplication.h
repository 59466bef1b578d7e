// SPDX-License-Identifier: MIT
// An application object for tests: it records every message box, input box,
// pump and progress dialog, and answers from queues the test fills.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Application.h"

namespace vorlan {

class ScriptedApplication : public Application {
public:
    struct Shown {
        std::string text;
        std::string caption;
        unsigned style;
    };
    struct Asked {
        std::string caption;
        std::string prompt;
        std::string defaultText;
        int maxLength;
    };
    // What a scripted progress dialog was told, in order ("max 10", "show", ...).
    struct DialogLog {
        std::vector<std::string> calls;
        bool alive = true;
    };

    // Answers, used first to last. An empty message queue answers with the
    // box's default button; an empty input queue answers as a Cancel.
    std::deque<int> messageAnswers;
    std::deque<std::string> inputAnswers;

    // Called on every ProcessMessages: a test posts its own "events" here.
    std::function<void()> onProcessMessages;

    std::vector<Shown> messages;
    std::vector<Asked> inputs;
    int pumps = 0;
    std::vector<std::shared_ptr<DialogLog>> dialogs;
    ProgressDialogOwner* lastDialogOwner = nullptr;

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                         int maxLength) override;
    void ProcessMessages() override;
    std::unique_ptr<ProgressDialog> CreateProgressDialog(ProgressDialogOwner& owner) override;
};

// A scripted application object titled "Vorlan", the process's application
// object for its life: a test that fails half-way leaves none behind.
class InstalledApplication : public ScriptedApplication {
public:
    InstalledApplication() {
        SetTitle("Vorlan");
        SetApp(this);
    }
    ~InstalledApplication() override { SetApp(nullptr); }
    InstalledApplication(const InstalledApplication&) = delete;
    InstalledApplication& operator=(const InstalledApplication&) = delete;
};

}  // namespace vorlan
