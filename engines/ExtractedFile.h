// SPDX-License-Identifier: MIT
// One extracted file on its way to disk: written unnamed in its target
// folder and given the target's name only when complete and good, so a
// stopped or failed extraction never leaves a partial file. The rename
// replaces a link of the target name, never the file it points to.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "filecommit/PendingFile.h"

namespace vorlan::engine {

class ExtractedFile {
public:
    ExtractedFile(int folderFd, std::string targetName);

    void Write(std::span<const std::uint8_t> bytes);
    // Gives the file its modification time and puts it in place.
    void Commit(std::time_t modified);
    void Discard() noexcept { file_.Discard(); }

private:
    std::string targetName_;
    PendingFile file_;
};

}  // namespace vorlan::engine
