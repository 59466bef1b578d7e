// SPDX-License-Identifier: MIT
// How the files to add meet the archive's entries: an entry whose name
// matches a file's ignoring case (and "/" against "\") is replaced in place,
// keeping its position and its stored name; other files become new entries.
#pragma once

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engines/CentralDirectory.h"
#include "engines/FileCollector.h"

namespace vorlan::engine {

struct PlannedFile {
    CollectedFile file;
    std::optional<std::uint64_t> replaces;  // the index of the entry replaced in place
};

// Raises EngineError when a file matches several entries ignoring case:
// which of them it should replace is anybody's guess.
std::vector<PlannedFile> PlanUpdate(const std::vector<std::string>& shownNames, std::vector<CollectedFile> files);

// Whether the file holds exactly the entry's content (same size, a good CRC,
// the same bytes): such an entry is kept as it is.
bool HoldsSameContent(zip_t* archive, std::uint64_t index, const RawEntry& entry, const CollectedFile& file);

}  // namespace vorlan::engine
