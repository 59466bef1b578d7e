// SPDX-License-Identifier: MIT
// Asking the kernel to read the next suites of the list from the disk while
// the batch works on the one in hand.
#pragma once

#include <string>

namespace vorlan {

// Starts reading the file's bytes into the page cache and returns at once.
// Only a regular file named directly (not through a link) is read; nothing
// is reported: the batch reads the file itself later, and says then what is
// wrong with it.
void AskToReadAhead(const std::string& path);

}  // namespace vorlan
