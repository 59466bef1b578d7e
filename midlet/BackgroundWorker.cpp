// SPDX-License-Identifier: MIT
// The batch's background thread and its queue of tasks.
#include "midlet/BackgroundWorker.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <system_error>

namespace vorlan {

namespace {

// A new thread starts with its creator's signal mask: the worker's is made
// with every asynchronous signal held back, so that a termination request
// reaches the batch's thread, which looks for it between entries.
class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t blocked;
        ::sigfillset(&blocked);
        for (const int synchronous : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP}) ::sigdelset(&blocked, synchronous);
        ::pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

}  // namespace

BackgroundWorker::~BackgroundWorker() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_one();
    if (!thread_.joinable()) return;
    if (owner_ == ::getpid())
        thread_.join();
    else
        thread_.detach();  // a forked copy: the thread is its parent's
}

bool BackgroundWorker::Post(std::function<void()> task) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!StartedHere()) return false;
    tasks_.push_back(std::move(task));
    ready_.notify_one();
    return true;
}

bool BackgroundWorker::RunQueuedTaskHere() {
    std::function<void()> task;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        // A forked copy's queue holds its parent's tasks, not its own.
        if (tasks_.empty() || owner_ != ::getpid()) return false;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
    return true;
}

bool BackgroundWorker::StartedHere() {
    if (thread_.joinable()) return owner_ == ::getpid();
    try {
        const SignalsBlocked blocked;
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    owner_ = ::getpid();
    return true;
}

void BackgroundWorker::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (stopping_) break;  // the owner is going: nobody waits for what is left
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace vorlan
