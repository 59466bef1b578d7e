// SPDX-License-Identifier: MIT
// What a JAD may hold, and what a manifest's text must lose or gain to be
// written into one: a JAD is UTF-8 text without a byte-order mark.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlan {

class EntryWarnings;
class TextLines;

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Removes a UTF-8 byte-order mark from the front of the first line; true
// when there was one.
bool DropByteOrderMark(TextLines& lines);

// When some line is not UTF-8, converts every line from codePage (an iconv
// name) to UTF-8; true when it did. A character codePage does not have
// becomes "?".
bool ConvertToUtf8(TextLines& lines, const std::string& codePage);

// Leaves out the lines that are not UTF-8, each with a warning that names it
// (its number in source, "the manifest" or "Snake.jad") and tells how to
// keep it: a JAD with such text is refused whole.
void LeaveOutLinesNotUtf8(TextLines& lines, const std::string& source, EntryWarnings& warnings);

// The warning for a line that is not UTF-8 and is left out of the JAD: its
// number in source ("the manifest", "Snake.jad"), the line with the bytes
// that are not UTF-8 shown as "\xNN", and how to keep it.
std::string NotUtf8Warning(std::size_t number, const std::string& source, const std::string& line);

// The value of the first line whose attribute name is name (any letter case),
// without the white space around it; empty when no line has it.
std::string AttributeValue(const TextLines& lines, std::string_view name);
bool HasAttribute(const TextLines& lines, std::string_view name);

}  // namespace vorlan
