// The names in a folder, read straight from a descriptor already open on it,
// without opening the folder a second time as opendir would.
#pragma once

#include <string>
#include <vector>

namespace vorlan::engine {

struct ListedItem {
    std::string name;
    unsigned char type = 0;  // as the file system gives it (DT_DIR, DT_REG, ... or DT_UNKNOWN)
};

// Every item but "." and "..", in the order the file system gives them.
// Raises EngineError when the folder cannot be read.
std::vector<ListedItem> ListFolder(int folderFd);

}  // namespace vorlan::engine
