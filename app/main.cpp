// vorlan: Vorlan's window.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// Without a display to open the window on, Qt would abort with a page about
// platform plugins; one line says what is wrong and what works instead. A
// platform chosen for Qt (QT_QPA_PLATFORM, -platform) needs no display.
bool NoDisplay(int argc, char** argv) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return true;
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
    QGuiApplication::setDesktopFileName("vorlan");
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
