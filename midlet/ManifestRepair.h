// SPDX-License-Identifier: MIT
// --repair: the faults of a JAR's manifest that have one right answer, and
// the manifest without them. Each keeps Java or a phone from reading the
// manifest as its writer meant it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

struct ManifestRepair {
    std::optional<std::string> text;    // the mended manifest, when its content changed
    bool renameEntry = false;           // stored under another letter case than META-INF/MANIFEST.MF
    std::vector<std::string> repaired;  // what was mended, one text each ("the byte-order mark removed")
};

// The manifest's bytes mended: a byte-order mark removed; text converted
// from codePage to UTF-8 (when codePage is not empty and the text is not
// UTF-8); empty lines inside the main section (an empty line ends it, and
// what follows must begin a "Name:" section) removed; lone CR or mixed line
// ends made CR LF; lines longer than 72 bytes folded; a space put after a
// colon that has none; a line end after the last line. storedName is the
// entry's name as stored ("/" between folders).
ManifestRepair RepairManifest(std::string_view bytes, const std::string& storedName, const std::string& codePage);

}  // namespace vorlan
