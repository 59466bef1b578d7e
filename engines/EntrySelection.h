// Which entries of an archive a spec list selects: an entry is selected when
// a spec matches its name as libzip decodes it or as it is stored.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engines/CentralDirectory.h"
#include "engines/LibzipArchive.h"

namespace vorlan::engine {

// The selected entries' indexes, in archive order.
std::vector<std::uint64_t> EntriesSelected(const LibzipArchive& archive, const std::vector<RawEntry>& entries,
                                           const std::vector<std::string_view>& specs);

}  // namespace vorlan::engine
