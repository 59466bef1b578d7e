// SPDX-License-Identifier: MIT
// File names, and names and values read from files, as output lines show
// them: both programs' lines and the suite check's findings use this one rule.
#pragma once

#include <string>

namespace vorlan {

// The name as it is, unless it holds a control character or begins with a
// double quote; then in double quotes, with "\\", "\"", "\n", "\r", "\t" and
// "\xNN" escapes. A name can thus never break a line or pass for another
// entry's line.
std::string ShownFileName(const std::string& name);

}  // namespace vorlan
