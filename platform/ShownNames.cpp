// SPDX-License-Identifier: MIT
// Escaping names for output lines.
#include "platform/ShownNames.h"

#include <algorithm>

namespace vorlan {

std::string ShownFileName(const std::string& name) {
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7F'; };
    if (std::none_of(name.begin(), name.end(), isControl) && (name.empty() || name.front() != '"')) return name;
    constexpr char kHex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"')
            quoted += std::string("\\") + c;
        else if (c == '\n')
            quoted += "\\n";
        else if (c == '\r')
            quoted += "\\r";
        else if (c == '\t')
            quoted += "\\t";
        else if (isControl(c))
            quoted += std::string("\\x") + kHex[(c >> 4) & 0xF] + kHex[c & 0xF];
        else
            quoted += c;
    }
    return quoted + '"';
}

}  // namespace vorlan
