// SPDX-License-Identifier: MIT
// What every window test shares: one QApplication, the scripted application
// object, an open dialog the test answers, and a form made over a test folder.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "app/OpenDialog.h"
#include "app/TForm1.h"
#include "tests/support/ScriptedApplication.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {

// The scripted application object the tests' forms talk to; cleared before
// each form is made.
ScriptedApplication& Scripted();

// Answers the open dialog from a queue: each answer is the list of chosen
// files, or nullopt for a Cancel. Records the filter and index it was shown with.
class ScriptedFileChooser : public FileChooser {
public:
    struct Shown {
        std::string filter;
        int filterIndex;
    };
    std::deque<std::optional<std::vector<std::string>>> answers;
    std::vector<Shown> shown;

    bool ChooseFiles(QWidget* parent, const TOpenDialog& dialog, std::vector<std::string>& files) override;
};

// A form whose executable folder is a fresh test folder (API/ inside it only
// when the test makes it).
struct TestForm {
    TempDir folder;
    ScriptedFileChooser chooser;
    std::unique_ptr<TForm1> form;

    TestForm();                                                     // no API folder
    explicit TestForm(const std::vector<std::string>& apiEntries);  // names ending in "/" are folders
};

// Runs act on the next modal widget once it is open (a message box, a dialog).
void WhenModalOpens(std::function<void(QWidget*)> act);

}  // namespace vorlan::test
