// SPDX-License-Identifier: MIT
// The two archive helpers through which all archive work of the batch goes to
// the archive component.
#pragma once

#include <cstdint>
#include <string>

namespace vorlan {

class TZip;

// Extracts what the file pattern selects from the archive into the folder,
// keeping stored folder names; "*" extracts every entry. Gives the number of
// files the engine wrote.
std::int32_t ExtractFromArchive(TZip& zip, const std::string& pattern, const std::string& folder,
                                const std::string& archive);

// Adds the files the pattern selects below the folder, with their relative
// names, into the archive; throws when files were there to add and the
// archive did not receive them.
void AddToArchive(TZip& zip, const std::string& pattern, const std::string& folder, const std::string& archive);

}  // namespace vorlan
