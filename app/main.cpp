// SPDX-License-Identifier: MIT
// vorlan: Vorlan's window.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "app/FormTexts.h"
#include "app/QtApplication.h"
#include "app/QtText.h"
#include "app/TForm1.h"
#include "app/TerminationSignals.h"

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A platform plugin that draws through a display server; the others
// (offscreen, minimal, vnc, ...) need none. QT_QPA_PLATFORM may list several,
// the first is tried first.
bool NeedsDisplay(std::string_view platform) {
    return platform.empty() || platform.starts_with("xcb") || platform.starts_with("wayland");
}

// Without a display to open the window on, Qt would abort with a page about
// platform plugins; one line says what is wrong and what works instead. A
// platform chosen for Qt (QT_QPA_PLATFORM, -platform) that needs no display
// is left to Qt.
bool NoDisplay(int argc, char** argv) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return false;
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    std::string_view platform = chosen != nullptr ? chosen : "";
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            platform = i + 1 < argc ? argv[i + 1] : "";
    return NeedsDisplay(platform);
}

}  // namespace

int main(int argc, char** argv) {
    if (NoDisplay(argc, argv)) {
        std::fputs(
            "vorlan: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
            "without one, run vorlan-batch FILE... (see vorlan-batch --help)\n",
            stderr);
        return 1;
    }
    // libzip converts every entry's time with mktime; with TZ unset glibc reads
    // the zone file again on every call.
    setenv("TZ", ":/etc/localtime", 0);
    tzset();
    QApplication qtApplication(argc, argv);
    const QString title = vorlan::FromText(vorlan::kApplicationTitle);
    // The name only: a display name would be appended to the window's caption.
    QApplication::setApplicationName("vorlan");
    QGuiApplication::setDesktopFileName("io.github.vorlan.Vorlan");
    vorlan::QtApplication application;
    application.SetTitle(title.toStdString());
    vorlan::SetApp(&application);
    try {
        vorlan::QuitOnTerminationSignals(qtApplication);
        vorlan::TForm1 form;
        form.show();
        return QApplication::exec();
    } catch (const std::exception& failure) {
        // Only start-up gets here, for instance when no scratch folder can be
        // made: without one no batch could run.
        QMessageBox::critical(nullptr, title, QString::fromUtf8(failure.what()));
        return 1;
    }
}
