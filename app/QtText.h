// SPDX-License-Identifier: MIT
// The program's texts are UTF-8 byte strings; Qt's are QString.
#pragma once

#include <string_view>

#include <QString>

namespace vorlan {

inline QString FromText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vorlan
