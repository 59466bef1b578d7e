// SPDX-License-Identifier: MIT
// JAD text: the byte-order mark, code pages, attribute values.
#include "midlet/JadText.h"

#include <algorithm>
#include <vector>

#include "midlet/EntryWarnings.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "zipformat/NameDecoding.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

// A line as a warning shows it: the bytes that are not UTF-8 as "\xNN".
std::string Escaped(const std::string& line) {
    constexpr char kHex[] = "0123456789ABCDEF";
    constexpr std::size_t kShown = 60;
    std::string shown;
    for (std::size_t i = 0; i < line.size() && i < kShown;) {
        const std::size_t length = Utf8CharacterLength(std::string_view(line).substr(i));
        const auto byte = static_cast<unsigned char>(line[i]);
        if (length > 0 && byte >= 0x20 && byte != 0x7F) {
            shown.append(line, i, length);
            i += length;
        } else {
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
            ++i;
        }
    }
    return line.size() > kShown ? shown + "..." : shown;
}

}  // namespace

bool DropByteOrderMark(TextLines& lines) {
    if (lines.Count() == 0 || std::string_view(lines[0]).substr(0, kByteOrderMark.size()) != kByteOrderMark)
        return false;
    lines.Set(0, lines[0].substr(kByteOrderMark.size()));
    return true;
}

bool ConvertToUtf8(TextLines& lines, const std::string& codePage) {
    const auto& all = lines.Lines();
    if (codePage.empty() ||
        std::all_of(all.begin(), all.end(), [](const std::string& line) { return IsWellFormedUtf8(line); }))
        return false;
    for (std::size_t i = 0; i < lines.Count(); ++i) lines.Set(i, OemToUtf8(lines[i], codePage));
    return true;
}

void LeaveOutLinesNotUtf8(TextLines& lines, const std::string& source, EntryWarnings& warnings) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (IsWellFormedUtf8(lines[i])) {
            kept.push_back(lines[i]);
            continue;
        }
        warnings.Add(NotUtf8Warning(i + 1, source, lines[i]));
    }
    if (kept.size() == lines.Count()) return;
    lines.Clear();
    for (std::string& line : kept) lines.Add(std::move(line));
}

std::string NotUtf8Warning(std::size_t number, const std::string& source, const std::string& line) {
    return "line " + std::to_string(number) + " of " + source + ", \"" + Escaped(line) +
           "\", is not UTF-8 and is left out of the JAD; give its code page with --manifest-charset "
           "(windows-1251 for Cyrillic, for example) to convert it";
}

std::string AttributeValue(const TextLines& lines, std::string_view name) {
    for (const std::string& line : lines.Lines()) {
        if (!EqualsIgnoringCase(AttributeName(line), name)) continue;
        const std::string_view value = std::string_view(line).substr(line.find(':') + 1);
        const std::size_t first = value.find_first_not_of(" \t");
        if (first == std::string_view::npos) return {};
        return std::string(value.substr(first, value.find_last_not_of(" \t") - first + 1));
    }
    return {};
}

bool HasAttribute(const TextLines& lines, std::string_view name) {
    return std::any_of(lines.Lines().begin(), lines.Lines().end(),
                       [name](const std::string& line) { return EqualsIgnoringCase(AttributeName(line), name); });
}

}  // namespace vorlan
