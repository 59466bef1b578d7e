// SPDX-License-Identifier: MIT
// The warnings about the entry in hand, collected while its step runs and
// handed to the host with the entry's outcome, so that they reach the user in
// list order however the suites are grouped for their commit.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vorlan {

class EntryWarnings {
public:
    void Add(std::string text) { texts_.push_back(std::move(text)); }
    // The warnings so far; the collection starts empty again.
    std::vector<std::string> Take() { return std::exchange(texts_, {}); }

private:
    std::vector<std::string> texts_;
};

}  // namespace vorlan
