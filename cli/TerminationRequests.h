// SPDX-License-Identifier: MIT
// SIGTERM, SIGINT and SIGHUP asking vorlan-batch to stop: the entry being
// processed is finished, nothing more is started, the scratch root goes, and
// the program exits with 128 + the signal's number. A second signal of the
// same kind takes its default course.
#pragma once

#include <csignal>
#include <stdexcept>
#include <string>

namespace vorlan {

// Installs the handlers. They only note the signal.
void CatchTerminationSignals();

// The number of the first signal caught, or 0.
int TerminationRequested();

// Thrown between two entries once a signal was caught: the batch ends there.
class BatchStopped : public std::runtime_error {
public:
    explicit BatchStopped(int signalNumber)
        : std::runtime_error("stopped by signal " + std::to_string(signalNumber)), signal_(signalNumber) {}
    int Signal() const { return signal_; }
    int ExitStatus() const { return 128 + signal_; }

private:
    int signal_;
};

// Throws BatchStopped when a signal was caught.
void StopWhenRequested();

}  // namespace vorlan
