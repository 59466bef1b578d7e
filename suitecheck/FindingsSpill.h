// SPDX-License-Identifier: MIT
// The findings of a --check run, held outside memory until they are printed:
// a suite is printed only once every suite is checked (it learns only from
// the later ones that it shares their name and vendor), and a collection's
// findings can run to hundreds per suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filecommit/FileDescriptor.h"
#include "suitecheck/Findings.h"

namespace vorlan {

class FindingsSpill {
public:
    // Room for the findings of suites 0 to count - 1, in an unnamed file of
    // the temporary folder; in memory when no such file can be made.
    explicit FindingsSpill(std::size_t count);

    // Keeps the findings of one suite; safe from several threads at once.
    void Put(std::size_t suite, const Findings& findings);
    // The findings kept for suite (none when nothing was kept), given once.
    Findings Take(std::size_t suite);

private:
    bool Spilled(std::size_t suite, const Findings& findings);

    std::mutex mutex_;
    FileDescriptor file_;
    std::uint64_t end_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> places_;  // offset and size of each suite's record
    std::vector<std::optional<Findings>> held_;                    // when a record could not be written
};

}  // namespace vorlan
