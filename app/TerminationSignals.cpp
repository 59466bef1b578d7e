// SPDX-License-Identifier: MIT
// Termination signals turned into a quit of the event loop, through a pipe:
// a signal handler may only write, the event loop reads.
#include "app/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/OneShotSignal.h"

namespace vorlan {

namespace {

int signalPipe[2] = {-1, -1};

void WriteSignalToPipe(int signalNumber) {
    const char byte = static_cast<char>(signalNumber);
    const ssize_t written = write(signalPipe[1], &byte, 1);
    (void)written;  // a full pipe already holds a quit request
}

}  // namespace

void QuitOnTerminationSignals(QCoreApplication& application) {
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("Cannot set up the handling of termination signals");
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        while (read(signalPipe[0], &byte, 1) == 1) {
        }
        QCoreApplication::quit();
    });
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) InstallOneShotHandler(signalNumber, WriteSignalToPipe);
}

}  // namespace vorlan
