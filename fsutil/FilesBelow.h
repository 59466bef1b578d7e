// SPDX-License-Identifier: MIT
// The files of a folder tree, found with the one folder listing.
#pragma once

#include <functional>
#include <string>

namespace vorlan {

// Calls visit with the path, relative to folder and "/"-separated, of every
// regular file below folder (a link counts as what it names when that is a
// regular file), depth first in listing order: a folder's files come right
// after its own name would. Links to folders are not walked into. The walk
// ends when visit returns false or a folder cannot be read.
void ForEachFileBelow(const std::string& folder, const std::function<bool(const std::string&)>& visit);

}  // namespace vorlan
