// SPDX-License-Identifier: MIT
// Which entries of an archive a pattern list selects: an entry is selected when
// a pattern matches its name as shown (see EntryNaming.h) or as stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engines/CentralDirectory.h"
#include "engines/EntryNaming.h"

namespace vorlan::engine {

// The selected entries' indexes, in archive order.
std::vector<std::uint64_t> EntriesSelected(const NameDisplay& display, const std::vector<RawEntry>& entries,
                                           const std::vector<std::string_view>& patterns);

}  // namespace vorlan::engine
