// SPDX-License-Identifier: MIT
// The OEM code page the component converts entry names and comments with:
// the DOS code page of the user's locale, unless one was chosen.
#pragma once

#include <string>

namespace vorlan {

// The OEM code page of this process: from LC_ALL, LC_CTYPE or LANG (the first
// that is set), decided on first use, unless SetOemCodePage chose one.
std::string OemCodePage();
void SetOemCodePage(const std::string& codePage);

}  // namespace vorlan
