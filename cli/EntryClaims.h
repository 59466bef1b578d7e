// SPDX-License-Identifier: MIT
// Which --jobs worker took which group of entries, kept in memory that
// vorlan-batch shares with its workers (made before they are forked). A
// worker walks the whole list in order and takes each group whose first
// entry it reaches before any other worker: a worker busy with a large JAR
// leaves the next entries to one that is free, so the workers finish
// together whatever the sizes of the suites.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace vorlan {

class EntryClaims {
public:
    // groupOfEntry: the group of each entry of the list (GroupOfEachEntry).
    explicit EntryClaims(std::vector<int> groupOfEntry);
    ~EntryClaims();
    EntryClaims(const EntryClaims&) = delete;
    EntryClaims& operator=(const EntryClaims&) = delete;

    // Whether worker may work on the entry: true when the entry's group is
    // the worker's, taking the group for it when no worker has it yet.
    bool Take(int entry, int worker);

    // The worker that took the entry's group, or -1.
    int TakenBy(int entry) const;

private:
    static_assert(std::atomic<int>::is_always_lock_free, "claims are shared between processes");

    std::vector<int> groupOfEntry_;
    std::size_t groups_ = 0;
    std::atomic<int>* owners_ = nullptr;  // one per group, in a shared mapping
};

}  // namespace vorlan
