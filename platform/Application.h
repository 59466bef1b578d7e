// SPDX-License-Identifier: MIT
// The application object: the one place through which the core shows message
// boxes, asks for input, pumps pending window messages and makes progress
// dialogs. The window provides it with Qt, vorlan-batch on the console, and the
// tests with a scripted queue of answers.
#pragma once

#include <memory>
#include <string>

namespace vorlan {

// Message box style bits and results, with the values the Windows program used,
// so that the core asks its questions exactly as it always did.
enum MessageBoxStyle : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
};
constexpr unsigned kButtonsMask = 0xF;
constexpr unsigned kIconMask = 0xF0;

enum MessageBoxResult : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

// The default button of a message box style: the first button, or the second
// with MB_DEFBUTTON2.
int DefaultButton(unsigned style);

// The modeless dialog that shows an archive operation's progress.
class ProgressDialog {
public:
    virtual ~ProgressDialog() = default;
    virtual void SetMax(int n) = 0;
    virtual void SetPosition(int n) = 0;
    virtual void SetText(const std::string& s) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

// Whoever runs the operation a progress dialog shows: its Cancel button asks
// the owner to stop.
class ProgressDialogOwner {
public:
    virtual void CancelOperation() = 0;

protected:
    ~ProgressDialogOwner() = default;
};

class Application {
public:
    virtual ~Application() = default;

    // The title: the caption of every message box the core shows.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // A modal message box; style is a combination of MessageBoxStyle bits and
    // the result one of MessageBoxResult.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;

    // A one-line input box. Gives the typed text, or the empty text when the
    // user cancels. maxLength limits what can be typed.
    virtual std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                                 int maxLength) = 0;

    // Processes every window message waiting in the queue, then returns.
    virtual void ProcessMessages() = 0;

    // A new, hidden progress dialog centred over the main window, or nullptr
    // where no dialog can be shown (on the console).
    virtual std::unique_ptr<ProgressDialog> CreateProgressDialog(ProgressDialogOwner& owner) = 0;

private:
    std::string title_;
};

// The process's application object. Set once at start-up (the window, the
// command line and every test executable set their own); App() before that is
// a programming error and aborts with a message.
Application& App();
void SetApp(Application* app);

}  // namespace vorlan
