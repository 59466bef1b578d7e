// SPDX-License-Identifier: MIT
// How entry names and comments are decoded, the same for the archive
// component that lists them and the engines that match them: an archive
// whose first central header was written on MS-DOS or OS/2 HPFS, or on NTFS
// by a version 5.0 writer, holds its names in the DOS code page of the
// user's locale (CP866 for Russian, Ukrainian and Belarusian, CP850 for
// western European languages, CP437 otherwise) and they are converted to
// UTF-8; names flagged as UTF-8 (bit 11) and the names of other archives
// are taken as stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlan {

// Whether a directory's names are in the OEM code page, judged from the
// version-made-by field (writer version and host) of its first header.
bool HasOemNames(std::uint16_t firstVersionMadeBy);

// The DOS code page of a locale name such as "ru_RU.UTF-8".
std::string OemCodePageForLocale(std::string_view locale);

// The locale name of this process's character type: LC_ALL, LC_CTYPE or
// LANG, the first that is set; "C" when none is.
std::string LocaleFromEnvironment();

// Conversions through iconv, one converter per direction and code page kept
// for the life of the program. A character with no counterpart, or not valid
// in its source, becomes "?". An unknown code page leaves the text as it is.
std::string OemToUtf8(std::string_view text, const std::string& codePage);
std::string Utf8ToOem(std::string_view text, const std::string& codePage);

// A name or comment of an entry as decoded: converted from codePage when the
// archive has OEM names and the entry is not flagged as UTF-8.
std::string DecodeEntryText(std::string_view stored, bool oemArchive, std::uint16_t flags, const std::string& codePage);
// Whether DecodeEntryText gives the stored text as it is.
bool DecodesAsStored(bool oemArchive, std::uint16_t flags);

}  // namespace vorlan
