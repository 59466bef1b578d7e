// SPDX-License-Identifier: MIT
// A suite's JAR opened for reading by position, in bounded pieces: the check
// never holds the whole file, and never maps it (a file cut short while it
// is read gives a read error, not a signal). Small reads are served from a
// window of the file read ahead: the check reads local records and data
// front to back, a few hundred bytes at a time for most entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filecommit/FileDescriptor.h"
#include "zipformat/LocalRecords.h"

namespace vorlan {

class JarFile final : public RecordSource {
public:
    // Opens the file; throws std::runtime_error with why it cannot be read
    // (also when it is no regular file: a FIFO is never waited on).
    explicit JarFile(const std::string& path);

    std::uint64_t Size() const { return size_; }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override;

private:
    bool ReadThrough(std::uint64_t offset, char* destination, std::size_t count);

    FileDescriptor fd_;
    std::uint64_t size_ = 0;
    std::unique_ptr<char[]> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
};

}  // namespace vorlan
