// SPDX-License-Identifier: MIT
// A suite's JAR opened for reading by position, in bounded pieces: the check
// never holds the whole file, and never maps it (a file cut short while it
// is read gives a read error, not a signal).
#pragma once

#include <cstddef>
#include <cstdint>
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
    FileDescriptor fd_;
    std::uint64_t size_ = 0;
};

}  // namespace vorlan
