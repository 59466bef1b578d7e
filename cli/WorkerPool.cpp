// SPDX-License-Identifier: MIT
// Starting the workers, collecting what they say, printing it in list order.
#include "cli/WorkerPool.h"

#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <set>
#include <stdexcept>

#include "cli/EntryClaims.h"
#include "cli/TerminationRequests.h"
#include "cli/WorkerMessages.h"
#include "cli/WorkerProcess.h"

namespace vorlan {

namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

struct Worker {
    pid_t pid = -1;
    int socket = -1;  // this side; closed once the worker's side is
    WorkerMessageReader reader;
    std::string ending;  // how the process ended, when not as it should
};

sigset_t TerminationSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kTerminationSignals) sigaddset(&set, signalNumber);
    return set;
}

std::string DescribeEnding(int status) {
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) return "exit status " + std::to_string(WEXITSTATUS(status));
    return {};
}

class Pool {
public:
    Pool(const BatchSettings& settings, std::vector<int> groupOfEntry, int workers, std::ostream& output,
         std::ostream& errors, EntryResults* results)
        : settings_(settings),
          claims_(std::move(groupOfEntry)),
          workerCount_(workers),
          output_(output),
          errors_(errors),
          results_(results),
          outcomes_(settings.files.size()) {
        // No worker takes a refused entry: its outcome is known already.
        for (std::size_t i = 0; i < settings.files.size(); ++i)
            if (!settings.files[i].refused.empty())
                outcomes_[i] = EntryOutcome{static_cast<int>(i), false, settings.files[i].refused, {}, {}};
    }
    int Run();

private:
    void Start(const sigset_t& signalsBefore);
    [[noreturn]] void RunChild(int worker, int socket, const sigset_t& signalsBefore);
    void Collect(const sigset_t& waitMask);
    void ReadFrom(Worker& worker);
    void Handle(const WorkerMessage& message);
    void PrintReady();
    void Print(const EntryOutcome& outcome);
    void AskToStop();
    void Abandon() noexcept;
    int Finish();
    std::string MissingReason(int index) const;

    const BatchSettings& settings_;
    EntryClaims claims_;
    int workerCount_;
    std::ostream& output_;
    std::ostream& errors_;
    EntryResults* results_;
    std::vector<Worker> workers_;
    std::vector<std::optional<EntryOutcome>> outcomes_;
    std::size_t nextToPrint_ = 0;
    std::set<std::string> apiReports_;
    bool apiLeftOut_ = false;  // a checked API archive could not be used
    std::optional<std::string> finishedText_;
    int stopSignal_ = 0;
};

// Termination signals are held back except while waiting for the workers,
// so that one arriving at any moment ends that wait at once.
int Pool::Run() {
    const sigset_t held = TerminationSignalSet();
    sigset_t before;
    sigprocmask(SIG_BLOCK, &held, &before);
    try {
        Start(before);
        Collect(before);
    } catch (...) {
        Abandon();
        sigprocmask(SIG_SETMASK, &before, nullptr);
        throw;
    }
    const int status = Finish();
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return status;
}

void Pool::Start(const sigset_t& signalsBefore) {
    output_.flush();
    errors_.flush();
    std::fflush(nullptr);  // nothing buffered may be written twice, by a child too
    workers_.reserve(static_cast<std::size_t>(workerCount_));
    for (int i = 0; i < workerCount_; ++i) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            throw std::runtime_error(std::string("Cannot start a worker: ") + std::strerror(errno));
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[0]);
            RunChild(i, ends[1], signalsBefore);
        }
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            throw std::runtime_error(std::string("Cannot start a worker: ") + std::strerror(errno));
        }
        workers_.push_back(Worker{pid, ends[0], {}, {}});
    }
}

void Pool::RunChild(int worker, int socket, const sigset_t& signalsBefore) {
    // Only this worker's own end stays open: a worker notices that
    // vorlan-batch is gone when no copy of its side is left.
    for (const Worker& other : workers_) ::close(other.socket);
    for (const int signalNumber : kTerminationSignals) std::signal(signalNumber, SIG_IGN);
    sigprocmask(SIG_SETMASK, &signalsBefore, nullptr);
    std::exit(RunWorker(settings_, worker, claims_, socket));
}

void Pool::Collect(const sigset_t& waitMask) {
    for (;;) {
        std::vector<pollfd> watched;
        std::vector<Worker*> owners;
        for (Worker& worker : workers_) {
            if (worker.socket < 0) continue;
            watched.push_back(pollfd{worker.socket, POLLIN, 0});
            owners.push_back(&worker);
        }
        if (watched.empty()) return;
        const int ready = ::ppoll(watched.data(), watched.size(), nullptr, &waitMask);
        if (TerminationRequested() != 0 && stopSignal_ == 0) {
            stopSignal_ = TerminationRequested();
            AskToStop();
        }
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error(std::string("Cannot wait for the workers: ") + std::strerror(errno));
        for (std::size_t i = 0; ready > 0 && i < watched.size(); ++i)
            if (watched[i].revents != 0) ReadFrom(*owners[i]);
    }
}

void Pool::ReadFrom(Worker& worker) {
    char bytes[64 * 1024];
    const ssize_t got = ::read(worker.socket, bytes, sizeof bytes);
    if (got < 0 && errno == EINTR) return;
    if (got <= 0) {
        ::close(worker.socket);
        worker.socket = -1;
        return;
    }
    worker.reader.Append(bytes, static_cast<std::size_t>(got));
    while (const std::optional<WorkerMessage> message = worker.reader.Next()) Handle(*message);
}

void Pool::Handle(const WorkerMessage& message) {
    if (const auto* outcome = std::get_if<EntryOutcome>(&message)) {
        if (outcome->index < 0 || static_cast<std::size_t>(outcome->index) >= outcomes_.size())
            throw std::runtime_error("a worker reported a file that is not in the list");
        outcomes_[static_cast<std::size_t>(outcome->index)] = *outcome;
        PrintReady();
        return;
    }
    if (const auto* finished = std::get_if<BatchFinished>(&message)) {
        finishedText_ = finished->text;
        return;
    }
    const auto& leftOut = std::get<ApiLeftOut>(message);
    // Every worker extracts the API archives for itself: one report is enough.
    if (!leftOut.entryOnly) apiLeftOut_ = true;
    if (apiReports_.insert(leftOut.archive + '\n' + leftOut.failure).second)
        PrintApiLeftOut(errors_, leftOut.archive, leftOut.failure,
                        leftOut.entryOnly ? LeftOut::Entry : LeftOut::WholeArchive);
}

// The lines in list order: each as soon as every line before it is out.
void Pool::PrintReady() {
    while (nextToPrint_ < outcomes_.size() && outcomes_[nextToPrint_]) {
        const EntryOutcome& outcome = *outcomes_[nextToPrint_];
        for (const std::string& warning : settings_.quiet ? std::vector<std::string>() : outcome.warnings)
            PrintEntryWarning(errors_, settings_.files[nextToPrint_].shown, warning);
        Print(outcome);
        ++nextToPrint_;
    }
}

void Pool::Print(const EntryOutcome& outcome) {
    const BatchFile& file = settings_.files[static_cast<std::size_t>(outcome.index)];
    if (!settings_.quiet || !outcome.succeeded)
        PrintEntryOutcome(output_, errors_, file.shown, outcome.succeeded, outcome.failure);
    if (results_ != nullptr) results_->EntryDone(file, outcome);
}

void Pool::AskToStop() {
    for (Worker& worker : workers_)
        if (worker.socket >= 0) ::shutdown(worker.socket, SHUT_WR);
}

// After a failure here: the workers see their sockets close, stop after the
// entry they are working on and clean up after themselves; they are waited for.
void Pool::Abandon() noexcept {
    for (Worker& worker : workers_) {
        if (worker.socket >= 0) ::close(worker.socket);
        worker.socket = -1;
    }
    for (const Worker& worker : workers_) {
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

std::string Pool::MissingReason(int index) const {
    const int worker = claims_.TakenBy(index);
    if (worker >= 0 && static_cast<std::size_t>(worker) < workers_.size() &&
        !workers_[static_cast<std::size_t>(worker)].ending.empty())
        return "the worker process for it ended early (" + workers_[static_cast<std::size_t>(worker)].ending + ")";
    return "the worker processes ended before it was done";
}

int Pool::Finish() {
    for (Worker& worker : workers_) {
        int status = 0;
        while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        worker.ending = DescribeEnding(status);
    }
    bool allSucceeded = true;
    for (; nextToPrint_ < outcomes_.size(); ++nextToPrint_) {
        std::optional<EntryOutcome>& outcome = outcomes_[nextToPrint_];
        if (!outcome && stopSignal_ != 0) continue;  // never started: stopped before it
        const int index = static_cast<int>(nextToPrint_);
        if (!outcome) outcome = EntryOutcome{index, false, MissingReason(index), {}, {}};
        Print(*outcome);
    }
    for (const std::optional<EntryOutcome>& outcome : outcomes_)
        allSucceeded = allSucceeded && outcome && outcome->succeeded;
    if (stopSignal_ != 0) return 128 + stopSignal_;
    if (finishedText_) output_ << *finishedText_ + "\n" << std::flush;
    return allSucceeded && !apiLeftOut_ ? 0 : 1;
}

}  // namespace

int WorkerCount(int jobs) {
    if (jobs > 0) return jobs;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) return CPU_COUNT(&allowed);
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

int RunInWorkers(const BatchSettings& settings, std::vector<int> groupOfEntry, int workers, std::ostream& output,
                 std::ostream& errors, EntryResults* results) {
    return Pool(settings, std::move(groupOfEntry), workers, output, errors, results).Run();
}

}  // namespace vorlan
