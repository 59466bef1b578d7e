// SPDX-License-Identifier: MIT
// Claims of groups in a shared anonymous mapping.
#include "cli/EntryClaims.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace vorlan {

namespace {

constexpr int kNobody = -1;

}  // namespace

EntryClaims::EntryClaims(std::vector<int> groupOfEntry) : groupOfEntry_(std::move(groupOfEntry)) {
    for (const int group : groupOfEntry_) groups_ = std::max(groups_, static_cast<std::size_t>(group) + 1);
    const std::size_t bytes = std::max<std::size_t>(groups_, 1) * sizeof(std::atomic<int>);
    void* shared = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        throw std::runtime_error(std::string("Cannot share the list among workers: ") + std::strerror(errno));
    owners_ = static_cast<std::atomic<int>*>(shared);
    for (std::size_t i = 0; i < groups_; ++i) new (&owners_[i]) std::atomic<int>(kNobody);
}

EntryClaims::~EntryClaims() {
    ::munmap(owners_, std::max<std::size_t>(groups_, 1) * sizeof(std::atomic<int>));
}

bool EntryClaims::Take(int entry, int worker) {
    std::atomic<int>& owner = owners_[groupOfEntry_.at(static_cast<std::size_t>(entry))];
    int expected = kNobody;
    return owner.compare_exchange_strong(expected, worker) || expected == worker;
}

int EntryClaims::TakenBy(int entry) const {
    return owners_[groupOfEntry_.at(static_cast<std::size_t>(entry))].load();
}

}  // namespace vorlan
