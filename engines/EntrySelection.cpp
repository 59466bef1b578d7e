// SPDX-License-Identifier: MIT
// Selecting entries by file pattern.
#include "engines/EntrySelection.h"

#include "engines/EntryPatterns.h"

namespace vorlan::engine {

std::vector<std::uint64_t> EntriesSelected(const std::vector<std::string>& shownNames,
                                           const std::vector<RawEntry>& entries,
                                           const std::vector<std::string_view>& patterns) {
    const PatternSelection selection(patterns);
    std::vector<std::uint64_t> selected;
    for (std::uint64_t i = 0; i < entries.size(); ++i)
        if (selection.Selects(shownNames[i]) || selection.Selects(entries[i].name)) selected.push_back(i);
    return selected;
}

}  // namespace vorlan::engine
