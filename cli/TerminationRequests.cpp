// SPDX-License-Identifier: MIT
// Termination signals noted in a flag the batch looks at between entries.
#include "cli/TerminationRequests.h"

#include <csignal>

#include "platform/OneShotSignal.h"

namespace vorlan {

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void NoteSignal(int signalNumber) {
    if (caughtSignal == 0) caughtSignal = signalNumber;
}

}  // namespace

void CatchTerminationSignals() {
    for (const int signalNumber : kTerminationSignals) InstallOneShotHandler(signalNumber, NoteSignal);
}

int TerminationRequested() {
    return caughtSignal;
}

void StopWhenRequested() {
    if (const int signalNumber = TerminationRequested()) throw BatchStopped(signalNumber);
}

}  // namespace vorlan
