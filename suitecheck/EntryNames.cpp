// SPDX-License-Identifier: MIT
// Entry names sorted once, repeats marked in directory order.
#include "suitecheck/EntryNames.h"

#include <algorithm>
#include <numeric>

namespace vorlan {

EntryNames::EntryNames(std::vector<std::string> inDirectoryOrder)
    : names_(std::move(inDirectoryOrder)), repeated_(names_.size()) {
    std::vector<std::uint32_t> order(names_.size());
    std::iota(order.begin(), order.end(), 0u);
    // Stable: of equal names the first in the directory comes first, and is
    // the one that is not a repeat. The sort's comparisons grow as n log n,
    // whatever names a crafted JAR holds.
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return names_[a] < names_[b]; });
    distinct_.reserve(order.size());
    for (const std::uint32_t index : order) {
        if (!distinct_.empty() && names_[distinct_.back()] == names_[index])
            repeated_[index] = true;
        else
            distinct_.push_back(index);
    }
}

bool EntryNames::Has(std::string_view name) const {
    const auto found = std::lower_bound(
        distinct_.begin(), distinct_.end(), name,
        [this](std::uint32_t index, std::string_view wanted) { return std::string_view(names_[index]) < wanted; });
    return found != distinct_.end() && names_[*found] == name;
}

std::vector<std::string_view> EntryNames::Sorted() const {
    std::vector<std::string_view> sorted;
    sorted.reserve(distinct_.size());
    for (const std::uint32_t index : distinct_) sorted.emplace_back(names_[index]);
    return sorted;
}

}  // namespace vorlan
