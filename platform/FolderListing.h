// SPDX-License-Identifier: MIT
// The names in a folder, read straight from a descriptor already open on it,
// without opening the folder a second time as opendir would: the folder
// listed is the one the caller opened and judged, whatever its name leads
// to by now.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

struct ListedItem {
    std::string name;
    unsigned char type = 0;  // as the file system gives it (DT_DIR, DT_REG, ... or DT_UNKNOWN)
};

// Appends every item of the folder but "." and "..", in the order the file
// system gives them, read from the folder's start. False, with errno set,
// when the folder cannot be read; the items read until then stay appended.
bool ListFolder(int folderFd, std::vector<ListedItem>& items);

// The same for a folder known by its path (links to folders followed, as
// for any path), for callers that hold no descriptor of it.
bool ListFolder(const std::string& folder, std::vector<ListedItem>& items);

}  // namespace vorlan
