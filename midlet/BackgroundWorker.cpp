// SPDX-License-Identifier: MIT
// The batch's background thread and its queue of tasks.
#include "midlet/BackgroundWorker.h"

#include <unistd.h>

#include <system_error>

namespace vorlan {

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
