// SPDX-License-Identifier: MIT
// The JAD that already lies beside a JAR: mode 0 writes a new one from the
// manifest, and keeps what only the old one knew (keys that unlock a full
// version, vendor keys, notify URLs, a signature that still holds).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "midlet/TextLines.h"

namespace vorlan {

class EntryWarnings;

// The lines of the JAD at path, or nothing when no file has that name. A
// link is followed only when it is the user's own: another user's link
// could make the JAD repeat a file of the user's that it points at. Throws
// when the JAD is there and cannot be read.
std::optional<TextLines> ReadExistingJad(const std::string& path);

// The JAD's lines whose attributes the manifest's lines do not have (names
// compared in any letter case), continuation lines joined, in the JAD's
// order. Lines that are no attribute, and lines that are not UTF-8, are
// left out, each with a warning naming it in jadName.
std::vector<std::string> JadOnlyLines(const TextLines& manifest, TextLines jad, const std::string& jadName,
                                      EntryWarnings& warnings);

// MIDlet-Jar-RSA-SHA1 and MIDlet-Certificate-<n>-<m>, in any letter case.
bool IsSignatureLine(const std::string& line);

}  // namespace vorlan
