// SPDX-License-Identifier: MIT
// One QApplication for all window tests, and the scripted helpers.
#include "tests/app/QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <cstdlib>

namespace vorlan::test {

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);  // also when run by hand
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        SetApp(&Scripted());
    }
    void TearDown() override {
        SetApp(nullptr);
        application_.reset();
    }

private:
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

ScriptedApplication& Scripted() {
    static ScriptedApplication application;
    return application;
}

bool ScriptedFileChooser::ChooseFiles(QWidget*, const TOpenDialog& dialog, std::vector<std::string>& files) {
    shown.push_back({dialog.Filter, dialog.FilterIndex});
    if (answers.empty() || !answers.front()) {
        if (!answers.empty()) answers.pop_front();
        return false;
    }
    files = *answers.front();
    answers.pop_front();
    return true;
}

namespace {

FormSettings SettingsFor(const TempDir& folder, FileChooser& chooser) {
    Scripted() = ScriptedApplication();
    Scripted().SetTitle("Vorlan");
    return FormSettings{folder.str() + "/", &chooser};
}

}  // namespace

TestForm::TestForm() : form(std::make_unique<TForm1>(SettingsFor(folder, chooser))) {}

TestForm::TestForm(const std::vector<std::string>& apiEntries) {
    fs::create_directory(folder / "API");
    for (const std::string& entry : apiEntries) {
        if (entry.back() == '/')
            fs::create_directory(folder / "API" / entry);
        else
            WriteFile(folder / "API" / entry, "");
    }
    form = std::make_unique<TForm1>(SettingsFor(folder, chooser));
}

void WhenModalOpens(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

}  // namespace vorlan::test
