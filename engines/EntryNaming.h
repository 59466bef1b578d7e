// Entry names in the form the archive component shows them and passes back
// as specs: an archive whose first record was written on MS-DOS or OS/2, or
// on NTFS by a version 5.0 writer, holds its names in the DOS code page of
// the user's locale (CP866 for Russian, Ukrainian and Belarusian, CP850 for
// western European languages, CP437 otherwise) and they are converted to
// UTF-8; names flagged as UTF-8 (bit 11) and names of other archives are
// taken as stored. Targets on disk get these names too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engines/CentralDirectory.h"

namespace vorlan::engine {

// The DOS code page of a locale name such as "ru_RU.UTF-8".
std::string OemCodePageForLocale(std::string_view locale);

// Every entry's name as shown, in directory order.
std::vector<std::string> NamesAsShown(const std::vector<RawEntry>& entries);

// Whether text is UTF-8 as Java decodes entry names: no overlong forms, no
// surrogates, nothing past U+10FFFF. A name that is not cannot go into a
// JAR: java.util.jar refuses the whole archive for it.
bool IsWellFormedUtf8(std::string_view text);

// Whether a name can be an entry of a JAR as it is: UTF-8, and no NUL byte
// (which zip libraries turn into a space or cut the name at).
bool IsJarEntryName(std::string_view name);

// A name fit for a message: a NUL byte as "\0" and, in a name that is not
// UTF-8, every byte above 0x7F as "\xNN".
std::string EscapedName(std::string_view name);

}  // namespace vorlan::engine
