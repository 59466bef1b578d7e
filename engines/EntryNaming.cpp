// SPDX-License-Identifier: MIT
// Names as shown and the judgement of JAR entry names.
#include "engines/EntryNaming.h"

#include "zipformat/NameDecoding.h"

namespace vorlan::engine {

bool IsJarEntryName(std::string_view name) {
    return name.find('\0') == std::string_view::npos && IsWellFormedUtf8(name);
}

NameDisplay::NameDisplay(const std::vector<RawEntry>& entries)
    : oem_(!entries.empty() && HasOemNames(entries.front().versionMadeBy)),
      codePage_(oem_ ? OemCodePageForLocale(LocaleFromEnvironment()) : std::string()) {}

bool NameDisplay::AsStored(const RawEntry& entry) const {
    return DecodesAsStored(oem_, entry.flags);
}

std::string NameDisplay::Shown(const RawEntry& entry) const {
    return DecodeEntryText(entry.name, oem_, entry.flags, codePage_);
}

std::vector<std::string> NamesAsShown(const std::vector<RawEntry>& entries) {
    const NameDisplay display(entries);
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const RawEntry& entry : entries) names.push_back(display.Shown(entry));
    return names;
}

}  // namespace vorlan::engine
