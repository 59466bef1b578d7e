// SPDX-License-Identifier: MIT
// The files of a folder tree, found with the one folder listing.
#pragma once

#include <functional>
#include <string>

namespace vorlan {

enum class ItemKind { Other, File, Folder };

// What the item name of the folder folderFd (AT_FDCWD: name is a path) is,
// from listedType (DT_REG, DT_DIR, ... as a listing gives it) when that
// says, else from fstatat: a link counts as what it names when that is a
// regular file and as Other otherwise, so that no link to a folder is ever
// walked into.
ItemKind KindOf(int folderFd, const std::string& name, unsigned char listedType);

// Calls visit with the path, relative to folder and "/"-separated, of every
// regular file below folder (a link counts as what it names when that is a
// regular file), depth first in listing order: a folder's files come right
// after its own name would. Links to folders are not walked into. The walk
// ends when visit returns false or a folder cannot be read.
void ForEachFileBelow(const std::string& folder, const std::function<bool(const std::string&)>& visit);

}  // namespace vorlan
