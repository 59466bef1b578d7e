// SPDX-License-Identifier: MIT
// One thread beside the batch that runs the tasks handed to it, in turn: the
// hashing of JARs for --report, the class scans of --api auto made ahead,
// the group commits (each use has its own). A thread per task cost as much
// as a small JAR's work, and more threads than cores only slow the batch
// down. The thread takes no asynchronous signal.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vorlan {

class BackgroundWorker {
public:
    BackgroundWorker() = default;
    // Waits for the task under way; tasks not begun are dropped (each task's
    // own state tells its owner whether it ran).
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Queues task, starting the thread with the first. False when no thread
    // can be had (nor in a process forked from the one that started it): the
    // caller then does the work itself.
    bool Post(std::function<void()> task);
    // Runs the first task not yet begun on the calling thread; false when
    // there is none. For an owner that would otherwise wait for the thread.
    bool RunQueuedTaskHere();

private:
    bool StartedHere();
    void Run();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;
    pid_t owner_ = 0;
};

}  // namespace vorlan
