// SPDX-License-Identifier: MIT
// The write side of an archive update: the new archive is written unnamed
// beside the real one, given the old file's permission bits, flushed, and
// renamed over it only when complete. A pending file of the batch (a hidden
// stand-in for a JAR) is not flushed here: the batch's group commit flushes
// it before it takes the JAR's name. Until then the old archive is
// untouched; anything that fails, stops or kills the process discards the
// new one. Writes gather in a buffer, and a seek back into it (libzip
// rewrites each local header once the entry's data is written) patches the
// buffer instead of reaching the file. Most archives go to the file in one
// write; larger ones a buffer at a time.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"

namespace vorlan::engine {

class ReplacementFile {
public:
    // target: the real file to replace (links already resolved); original:
    // its status when it exists, for permission bits and owner.
    ReplacementFile(std::string target, std::optional<struct stat> original);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void Begin();
    void Write(const void* bytes, std::size_t count);
    void Seek(std::uint64_t position);
    std::uint64_t Tell() const { return bufferStart_ + cursor_; }
    std::uint64_t Written() const { return std::max(writtenEnd_, bufferStart_ + buffer_.size()); }
    void Commit();
    void Rollback() noexcept;

    // Ends the new archive, begun and holding what goes in front of it, as
    // one of no entries carrying the comment, and puts it in place.
    void WriteEmptyArchive(std::string_view comment);

private:
    void Flush();
    void ApplyOriginalOwnership();

    std::string target_;
    std::optional<struct stat> original_;
    FileDescriptor folderFd_;
    std::optional<PendingFile> file_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferStart_ = 0;  // the file offset of buffer_[0]
    std::size_t cursor_ = 0;         // where the next write goes in buffer_, at most its size
    std::uint64_t writtenEnd_ = 0;
};

}  // namespace vorlan::engine
