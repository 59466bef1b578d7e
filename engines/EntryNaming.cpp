// Names as shown and the judgement of JAR entry names.
#include "engines/EntryNaming.h"

#include "zipformat/NameDecoding.h"

namespace vorlan::engine {

bool IsJarEntryName(std::string_view name) {
    return name.find('\0') == std::string_view::npos && IsWellFormedUtf8(name);
}

std::string EscapedName(std::string_view name) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const bool escapeHighBytes = !IsWellFormedUtf8(name);
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) {
            shown += "\\0";
        } else if (escapeHighBytes && byte >= 0x80) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
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
