// SPDX-License-Identifier: MIT
// The two text forms a suite's attributes come in, read as a MIDP installer
// and java.util.jar read them: the JAD (UTF-8, one "name: value" per line,
// no continuation lines) and the JAR manifest (72-byte lines folded into
// continuation lines, a main section ended by the first empty line).
#pragma once

#include <string_view>

#include "suitecheck/Findings.h"

namespace vorlan {

// The JAD's attributes; each line an installer refuses is a JAD_SYNTAX error.
Attributes ReadJadAttributes(std::string_view bytes, Findings& findings);

// The manifest's main attributes; what java.util.jar refuses is a MANIFEST
// error, what it tolerates (long lines, a last line without a line end,
// bytes that are not UTF-8) a MANIFEST warning.
Attributes ReadManifestAttributes(std::string_view bytes, Findings& findings);

}  // namespace vorlan
