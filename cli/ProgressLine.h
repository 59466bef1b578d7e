// SPDX-License-Identifier: MIT
// A one-line counter of a long run on the terminal: "done/total, N failed,
// elapsed, time left", redrawn in place on standard error. Only on a
// terminal, and only when the lines of the run would scroll it away: a pipe
// or a file never gets it.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>

#include "cli/EntryResults.h"

namespace vorlan {

class ProgressLine : public EntryResults {
public:
    // A line on descriptor fd when it is a terminal with fewer rows than the
    // run has entries; null otherwise.
    static std::unique_ptr<ProgressLine> ForTerminal(int fd, std::size_t total);

    ProgressLine(int fd, std::size_t total);
    ~ProgressLine() override;  // clears the line
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void EntryDone(const BatchFile& file, const EntryOutcome& outcome) override;
    // One entry done; redraws when the last drawing is old enough, clears
    // the line after the last.
    void Count(bool succeeded);

private:
    void Draw();

    int fd_;
    std::size_t total_;
    std::size_t done_ = 0;
    std::size_t failed_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
};

// Clears the line drawn, if any, so that a line printed next starts on a
// clean row; called before every line vorlan-batch prints on the terminal.
void ClearProgressLine();

}  // namespace vorlan
