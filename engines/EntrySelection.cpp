// SPDX-License-Identifier: MIT
// Selecting entries by file pattern.
#include "engines/EntrySelection.h"

#include "engines/EntryPatterns.h"

namespace vorlan::engine {

std::vector<std::uint64_t> EntriesSelected(const NameDisplay& display, const std::vector<RawEntry>& entries,
                                           const std::vector<std::string_view>& patterns) {
    const PatternSelection selection(patterns);
    std::vector<std::uint64_t> selected;
    for (std::uint64_t i = 0; i < entries.size(); ++i) {
        const RawEntry& entry = entries[i];
        if (selection.Selects(entry.name) || (!display.AsStored(entry) && selection.Selects(display.Shown(entry))))
            selected.push_back(i);
    }
    return selected;
}

}  // namespace vorlan::engine
