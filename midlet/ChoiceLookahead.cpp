// SPDX-License-Identifier: MIT
// Scanning the next JARs for --api auto on a thread beside the batch.
#include "midlet/ChoiceLookahead.h"

#include <sys/stat.h>

#include <algorithm>

namespace vorlan {

ChoiceLookahead::ChoiceLookahead(Scan scan) : scan_(std::move(scan)) {}

void ChoiceLookahead::Expect(std::string jarPath) {
    auto ahead = std::make_shared<Ahead>();
    ahead->path = std::move(jarPath);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(ahead);
    }
    if (worker_.Post([this, ahead] { ScanAhead(ahead); })) return;
    // No thread to be had: every JAR is scanned when asked for, as without lookahead.
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.erase(std::find(queue_.begin(), queue_.end(), ahead));
}

std::optional<ApiChoice> ChoiceLookahead::Take(const std::string& jarPath) {
    const std::optional<Stamp> now = StampOf(jarPath);
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found = std::find_if(queue_.begin(), queue_.end(), [&](const std::shared_ptr<Ahead>& ahead) {
        return ahead->path == jarPath || (now && ahead->started && ahead->before == now);
    });
    if (found == queue_.end()) return std::nullopt;
    const std::shared_ptr<Ahead> ahead = *found;
    queue_.erase(queue_.begin(), found + 1);
    changed_.notify_all();
    if (!ahead->started) return std::nullopt;  // not begun: scanning it here is as quick
    // While the lookahead's thread finishes this JAR, this thread scans the
    // JARs queued after it: the scans, not the batch, are what takes time.
    while (!ahead->done) {
        lock.unlock();
        const bool ranOne = worker_.RunQueuedTaskHere();
        lock.lock();
        if (!ranOne) changed_.wait(lock, [&ahead] { return ahead->done; });
    }
    if (!now || ahead->before != now || ahead->after != now) return std::nullopt;
    return std::move(ahead->choice);
}

std::optional<ChoiceLookahead::Stamp> ChoiceLookahead::StampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    const auto nanoseconds = [](const timespec& time) {
        return static_cast<unsigned long long>(time.tv_sec) * 1000000000ull +
               static_cast<unsigned long long>(time.tv_nsec);
    };
    return Stamp{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino),
                 static_cast<unsigned long long>(status.st_size), nanoseconds(status.st_mtim),
                 nanoseconds(status.st_ctim)};
}

// False when the batch has passed the JAR by (Take dropped it) before its turn came.
bool ChoiceLookahead::Begin(const std::shared_ptr<Ahead>& ahead) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), ahead) == queue_.end()) return false;
    ahead->started = true;
    return true;
}

void ChoiceLookahead::ScanAhead(const std::shared_ptr<Ahead>& ahead) {
    if (!Begin(ahead)) return;
    const std::optional<Stamp> before = StampOf(ahead->path);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ahead->before = before;  // from now on the batch finds it by the file, through a link too
    }
    ApiChoice choice;
    bool scanned = false;
    try {
        choice = scan_(ahead->path);
        scanned = true;
    } catch (...) {
        // The batch scans it again when it comes to it, and meets the
        // failure there, in its place.
    }
    const std::optional<Stamp> after = StampOf(ahead->path);
    const std::lock_guard<std::mutex> lock(mutex_);
    ahead->after = scanned ? after : std::nullopt;
    ahead->choice = std::move(choice);
    ahead->done = true;
    changed_.notify_all();
}

}  // namespace vorlan
