// SPDX-License-Identifier: MIT
// What a fix suite keeps of the old suite's attributes, and what it takes
// from the template. The fix JAR holds only the template's reader midlet: an
// attribute naming other midlets, push entries, permissions or a signature
// of the old JAR would make a phone refuse the fix.
#pragma once

#include <string_view>

namespace vorlan {

class TextLines;

// True for MIDlet-<n> with n >= 2, MIDlet-Push-<n>, MIDlet-Permissions,
// MIDlet-Jar-RSA-SHA1 and MIDlet-Certificate-<n>-<m> (any letter case).
bool RefersToWhatTheFixLacks(std::string_view attributeName);

// Leaves out of the (joined) lines those attributes, the empty lines, and
// the per-entry sections (from a "Name:" line after an empty line up to the
// next empty line or MIDlet-/MicroEdition- attribute: they describe entries
// of the old JAR). The other lines keep their order.
void KeepWhatTheFixCanCarry(TextLines& lines);

// Appends the template manifest's MicroEdition-Configuration and
// MicroEdition-Profile lines that lines lack, in the template's order: they
// state what the template's class needs. True when a line was added.
bool AddMissingDeviceAttributes(TextLines& lines, const TextLines& templateManifest);

}  // namespace vorlan
