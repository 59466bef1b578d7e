// SPDX-License-Identifier: MIT
// Names as shown and the judgement of JAR entry names.
#include "engines/EntryNaming.h"

#include "zipformat/NameDecoding.h"

namespace vorlan::engine {

bool IsJarEntryName(std::string_view name) {
    return name.find('\0') == std::string_view::npos && IsWellFormedUtf8(name);
}

std::vector<std::string> NamesAsShown(const std::vector<RawEntry>& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    // The first record decides for the whole archive.
    const bool oem = !entries.empty() && HasOemNames(entries.front().versionMadeBy);
    const std::string codePage = oem ? OemCodePageForLocale(LocaleFromEnvironment()) : std::string();
    for (const RawEntry& entry : entries) names.push_back(DecodeEntryText(entry.name, oem, entry.flags, codePage));
    return names;
}

}  // namespace vorlan::engine
