// vorlan: Vorlan's window.
#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <ctime>

#include "app/FormTexts.h"
#include "app/QtApplication.h"
#include "app/QtText.h"
#include "app/TForm1.h"
#include "app/TerminationSignals.h"

int main(int argc, char** argv) {
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
