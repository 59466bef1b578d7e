// SPDX-License-Identifier: MIT
// An archive opened for reading with pread through a window, so that the
// directory scan, the local-header checks and libzip's own reads (which
// mostly go forward) cost few system calls, and memory stays bounded
// whatever the archive's size. An operation that reads every entry takes the
// whole file (up to 1 MiB, 128 KiB windows of larger ones) with its first
// read; one that reads a few entries takes small windows, so that pulling a
// manifest out of a suite does not copy the suite. The file is never mapped:
// a file cut short by someone else gives a read error, not a signal.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "filecommit/FileDescriptor.h"
#include "zipformat/LocalRecords.h"

namespace vorlan::engine {

enum class ArchiveReading {
    EveryEntry,  // an update: every entry is copied or checked
    SomeEntries  // an extraction of a few entries
};

class ArchiveFile final : public RecordSource {
public:
    // Opens the archive; nullptr when no file of that name exists. Any other
    // failure, and a path that is not a regular file, raises EngineError.
    static std::unique_ptr<ArchiveFile> OpenIfPresent(const std::string& path,
                                                      ArchiveReading reading = ArchiveReading::EveryEntry);

    const std::string& Path() const { return path_; }
    std::uint64_t Size() const { return size_; }
    const struct stat& Status() const { return status_; }

    // Exactly count bytes at offset, or false (past the end, or a read error).
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override;
    // Up to count bytes at offset; the number read, or -1 on a read error.
    long long ReadSome(std::uint64_t offset, void* destination, std::size_t count);
    // The count bytes at offset where this object holds them for as long as
    // it lives (the kept tail, or a window holding the whole file), read into
    // it now when that is where they belong; nullopt when they are not held
    // so (the caller then reads them with ReadAt).
    std::optional<std::span<const std::uint8_t>> HeldBytes(std::uint64_t offset, std::size_t count);
    // The count bytes at offset: where this object holds them, else read
    // into copy. nullopt when they cannot be read.
    std::optional<std::span<const std::uint8_t>> BytesAt(std::uint64_t offset, std::size_t count,
                                                         std::vector<std::uint8_t>& copy);

private:
    ArchiveFile(std::string path, FileDescriptor fd, const struct stat& status, ArchiveReading reading);
    bool FillWindow(std::uint64_t offset);
    bool ReadFromTail(std::uint64_t offset, void* destination, std::size_t count);

    std::string path_;
    FileDescriptor fd_;
    struct stat status_ {};
    std::uint64_t size_ = 0;
    std::size_t windowCapacity_;
    // Left uninitialised until read into: zeroing a whole suite's worth of
    // bytes for every operation would cost as much as reading them.
    std::unique_ptr<std::uint8_t[]> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
    // Reading a few entries, the end of the file (where the end record is
    // searched, by this engine and by libzip, and the directory mostly lies)
    // is read once and kept apart from the window; reading every entry, the
    // tail starts at the file's end and holds nothing.
    std::uint64_t tailStart_;
    std::unique_ptr<std::uint8_t[]> tail_;
    std::size_t tailLength_ = 0;
};

}  // namespace vorlan::engine
