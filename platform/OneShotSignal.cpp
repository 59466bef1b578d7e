// SPDX-License-Identifier: MIT
// One-shot signal handlers.
#include "platform/OneShotSignal.h"

#include <csignal>

namespace vorlan {

void InstallOneShotHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(static_cast<unsigned>(SA_RESTART) | static_cast<unsigned>(SA_RESETHAND));
    sigaction(signalNumber, &action, nullptr);
}

}  // namespace vorlan
