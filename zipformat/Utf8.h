// SPDX-License-Identifier: MIT
// UTF-8 as entry names need it. The strict test is what Java's decoder takes
// as an entry name (no overlong forms, no surrogates, nothing past
// U+10FFFF); both sides of the archive work judge names by it, so a name the
// component lists is a name the engines match. The lenient length only
// finds where a character ends, for cutting text and for skipping what a
// converter refuses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlan {

// Whether text is well-formed UTF-8 (Unicode 3.9, table 3-7).
bool IsWellFormedUtf8(std::string_view text);

// The length of the well-formed character at the front of text; 0 when
// there is none (text empty, or its first bytes are not one).
std::size_t Utf8CharacterLength(std::string_view text);

// The length of the sequence at the front of text judged by its lead byte
// and the continuation bytes alone (overlong forms and surrogates pass); 1
// when they are not a sequence, so that one bad byte never swallows the
// characters after it. text must not be empty.
std::size_t Utf8SequenceLength(std::string_view text);

// An entry name fit for a message: a NUL byte as "\0" and, in a name that is
// not UTF-8, every byte above 0x7F as "\xNN", so that no line of a report
// holds bytes a terminal or a log cannot show.
std::string EscapedEntryName(std::string_view name);

// The text between double quotes, as messages quote names and values.
std::string Quoted(std::string_view text);

}  // namespace vorlan
