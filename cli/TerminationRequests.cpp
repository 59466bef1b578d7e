// Termination signals noted in a flag the batch looks at between entries.
#include "cli/TerminationRequests.h"

namespace vorlan {

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void NoteSignal(int signalNumber) {
    if (caughtSignal == 0) caughtSignal = signalNumber;
}

void Install(int signalNumber) {
    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: the engines' reads and writes go on undisturbed, the entry
    // completes. SA_RESETHAND: a second signal ends the program at once.
    action.sa_flags = static_cast<int>(static_cast<unsigned>(SA_RESTART) | static_cast<unsigned>(SA_RESETHAND));
    sigaction(signalNumber, &action, nullptr);
}

}  // namespace

void CatchTerminationSignals() {
    for (const int signalNumber : kTerminationSignals) Install(signalNumber);
}

int TerminationRequested() { return caughtSignal; }

void StopWhenRequested() {
    if (const int signalNumber = TerminationRequested()) throw BatchStopped(signalNumber);
}

}  // namespace vorlan
