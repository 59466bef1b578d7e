// SPDX-License-Identifier: MIT
// The folders one extraction writes into, below the current directory,
// opened link by link without following any, kept open and listed while the
// extraction runs so that each folder is walked and listed only once.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "engines/FolderLookup.h"

namespace vorlan::engine {

class TargetFolders {
public:
    TargetFolders();

    // The folder reached by the components from the current directory, or
    // nullptr when a link or a file is in the way, or (lookOnly) a folder is
    // missing. The pointer stays valid until the next call.
    Folder* FolderFor(std::span<const std::string> components, FolderCreation creation);

private:
    std::unique_ptr<Folder> root_;
    std::unordered_map<std::string, std::unique_ptr<Folder>> opened_;  // by the key of their relative path
};

}  // namespace vorlan::engine
