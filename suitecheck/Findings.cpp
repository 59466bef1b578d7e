// SPDX-License-Identifier: MIT
// Findings and attribute lists of the suite checker.
#include "suitecheck/Findings.h"

#include <algorithm>

#include "platform/ShownNames.h"
#include "zipformat/Utf8.h"

namespace vorlan {

std::string Findings::Shown(const std::string& text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte >= 0x80 ? Utf8CharacterLength(std::string_view(text).substr(i)) : 1;
        if (length > 1) {
            shown.append(text, i, length);
            i += length;
            continue;
        }
        if (byte < 0x20 || byte == 0x7F || byte >= 0x80)
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
        else
            shown += text[i];
        ++i;
    }
    return shown;
}

bool StopsInstall(std::string_view rule) {
    return rule != rules::kClassVersion && rule != rules::kPreverified && rule != rules::kClassFormat &&
           rule != rules::kMissingClass;
}

bool Findings::HasError() const {
    return std::any_of(list_.begin(), list_.end(), [](const Finding& finding) { return finding.error; });
}

std::string QuotedValue(const std::string& value) {
    std::string shown = ShownFileName(value);
    return shown == value ? Quoted(value) : shown;
}

const std::string* Attributes::Find(std::string_view name) const {
    for (auto it = list_.rbegin(); it != list_.rend(); ++it)
        if (it->first == name) return &it->second;
    return nullptr;
}

}  // namespace vorlan
