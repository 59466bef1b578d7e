// Entry names and comments between the OEM code page of DOS-family archive
// writers and the ANSI code page, which is UTF-8 here.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

// The DOS code page of a locale name such as "ru_RU.UTF-8": CP866 for
// Russian, Ukrainian and Belarusian, CP850 for western European languages,
// CP437 for every other language and for "C"/"POSIX".
std::string OemCodePageForLocale(std::string_view locale);

// The OEM code page of this process: from LC_ALL, LC_CTYPE or LANG (the first
// that is set), decided on first use, unless SetOemCodePage chose one.
std::string OemCodePage();
void SetOemCodePage(const std::string& codePage);

// Conversions through iconv. A character with no counterpart becomes "?".
std::string OemToUtf8(std::string_view text);
std::string Utf8ToOem(std::string_view text);

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF): what Java takes as an entry name.
bool IsWellFormedUtf8(std::string_view text);

}  // namespace vorlan
