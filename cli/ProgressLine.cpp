// SPDX-License-Identifier: MIT
// The progress counter on the terminal.
#include "cli/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "cli/WorkerMessages.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan {

namespace {

// Ten drawings a second at most: more cannot be read, and each costs a write.
constexpr std::chrono::milliseconds kRedrawInterval{100};

// The line on screen, which the other lines clear first. One terminal per
// process: the run's standard error.
ProgressLine* shownLine = nullptr;
int shownFd = -1;
bool drawn = false;

std::string Minutes(std::chrono::steady_clock::duration duration) {
    const long seconds = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(duration).count());
    const std::string secondsText = std::to_string(seconds % 60);
    return std::to_string(seconds / 60) + ":" + (secondsText.size() < 2 ? "0" : "") + secondsText;
}

}  // namespace

std::unique_ptr<ProgressLine> ProgressLine::ForTerminal(int fd, std::size_t total) {
    winsize size{};
    if (::isatty(fd) != 1 || ::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_row == 0) return nullptr;
    if (total <= size.ws_row) return nullptr;
    return std::make_unique<ProgressLine>(fd, total);
}

ProgressLine::ProgressLine(int fd, std::size_t total)
    // The first entry draws the line at once: a run that scrolls a
    // screenful shows it from the start.
    : fd_(fd), total_(total), started_(std::chrono::steady_clock::now()), drawn_(started_ - kRedrawInterval) {
    shownLine = this;
    shownFd = fd;
}

ProgressLine::~ProgressLine() {
    ClearProgressLine();
    shownLine = nullptr;
    shownFd = -1;
}

void ProgressLine::EntryDone(const BatchFile&, const EntryOutcome& outcome) {
    Count(outcome.succeeded);
}

void ProgressLine::Count(bool succeeded) {
    ++done_;
    if (!succeeded) ++failed_;
    // The last entry clears the line: what follows (the summary) starts on a
    // clean row.
    if (done_ >= total_) return ClearProgressLine();
    if (std::chrono::steady_clock::now() - drawn_ >= kRedrawInterval) Draw();
}

void ProgressLine::Draw() {
    drawn_ = std::chrono::steady_clock::now();
    const auto elapsed = drawn_ - started_;
    std::string text = "\r\033[K" + std::to_string(done_) + "/" + std::to_string(total_) + ", " +
                       std::to_string(failed_) + " failed, " + Minutes(elapsed) + " elapsed";
    if (done_ > 0 && done_ < total_)
        text += ", about " + Minutes(elapsed / static_cast<long>(done_) * static_cast<long>(total_ - done_)) + " left";
    static_cast<void>(WriteAll(fd_, text));  // the terminal is gone: nothing to show
    drawn = true;
}

void ClearProgressLine() {
    if (shownLine == nullptr || !drawn) return;
    static_cast<void>(WriteAll(shownFd, "\r\033[K"));  // as above
    drawn = false;
}

}  // namespace vorlan
