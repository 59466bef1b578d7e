// One extracted file on its way to disk: written to a temporary file in its
// target folder and renamed over the target name only when complete and good,
// so a stopped or failed extraction never leaves a partial file. The rename
// replaces a link of the target name, never the file it points to.
#pragma once

#include <ctime>
#include <span>
#include <string>

#include "engines/FileDescriptor.h"

namespace vorlan::engine {

class ExtractedFile {
public:
    ExtractedFile(int folderFd, std::string targetName);
    ~ExtractedFile();  // discards the temporary file unless committed
    ExtractedFile(const ExtractedFile&) = delete;
    ExtractedFile& operator=(const ExtractedFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    // Gives the file its modification time and puts it in place.
    void commit(std::time_t modified);
    void discard() noexcept;

private:
    int folderFd_;
    std::string targetName_;
    std::string temporaryName_;
    FileDescriptor fd_;
};

}  // namespace vorlan::engine
