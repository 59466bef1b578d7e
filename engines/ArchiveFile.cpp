// SPDX-License-Identifier: MIT
// Windowed pread access to an archive.
#include "engines/ArchiveFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

// Large enough for the local headers of a typical suite's entries (a few KB
// apart) in a read or two, and for libzip's copy of unchanged entries (8 KB
// at a time) to cost one read per 128 KB; small enough that a scan of a big
// archive's headers does not read all of its large entries.
constexpr std::size_t kWindowSize = 128 * 1024;
// An archive up to this size (most suites) is read whole with its first
// read: its end, directory, local headers and entries then cost no further
// system call, whoever reads them.
constexpr std::uint64_t kReadWholeUpTo = 1024 * 1024;
// Reading a few entries: a local header with its name, and a manifest or a
// small class file behind it, in one read. Longer reads (the end record's
// search, the directory of a large archive) go straight to their caller.
constexpr std::size_t kSomeEntriesWindow = 16 * 1024;
// The end record with the longest comment (65,557 bytes) and the zip64
// locator in front of it, with room to spare.
constexpr std::uint64_t kTailSize = 66 * 1024;

std::size_t WindowCapacity(std::uint64_t size, ArchiveReading reading) {
    if (reading == ArchiveReading::SomeEntries) return kSomeEntriesWindow;
    return size <= kReadWholeUpTo ? std::max<std::size_t>(static_cast<std::size_t>(size), 1) : kWindowSize;
}

// Where the bytes kept apart from the window begin: nowhere (the file's end)
// when every entry is read.
std::uint64_t TailStart(std::uint64_t size, ArchiveReading reading) {
    if (reading == ArchiveReading::EveryEntry) return size;
    return size > kTailSize ? size - kTailSize : 0;
}

}  // namespace

std::unique_ptr<ArchiveFile> ArchiveFile::OpenIfPresent(const std::string& path, ArchiveReading reading) {
    // O_NONBLOCK: a FIFO named as the archive must not wait for a writer; it
    // is refused below as no regular file.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) {
        if (errno == ENOENT) return nullptr;
        throw SystemFailure("Cannot open \"" + path + "\"", errno);
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0) throw EngineError(SystemErrorText("Cannot read \"" + path + "\"", errno));
    if (!S_ISREG(status.st_mode)) throw EngineError("\"" + path + "\" is not a regular file");
    return std::unique_ptr<ArchiveFile>(new ArchiveFile(path, std::move(fd), status, reading));
}

ArchiveFile::ArchiveFile(std::string path, FileDescriptor fd, const struct stat& status, ArchiveReading reading)
    : path_(std::move(path)),
      fd_(std::move(fd)),
      status_(status),
      size_(static_cast<std::uint64_t>(status.st_size)),
      windowCapacity_(WindowCapacity(size_, reading)),
      tailStart_(TailStart(size_, reading)) {}

bool ArchiveFile::FillWindow(std::uint64_t offset) {
    if (!window_) window_.reset(new std::uint8_t[windowCapacity_]);
    // Near the end, the window ends with the file: the end record, the
    // directory and the last entries then come from one read, whoever asks
    // (this engine's own checks first, libzip after them).
    if (size_ - offset < windowCapacity_) offset = size_ > windowCapacity_ ? size_ - windowCapacity_ : 0;
    windowStart_ = offset;
    windowLength_ = 0;
    const long long got = ReadSome(offset, window_.get(), windowCapacity_);
    if (got < 0) return false;
    windowLength_ = static_cast<std::size_t>(got);
    return true;
}

bool ArchiveFile::ReadAt(std::uint64_t offset, void* destination, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count == 0) return true;
    if (offset >= tailStart_) return ReadFromTail(offset, destination, count);
    if (count >= windowCapacity_ && windowCapacity_ < size_)
        return ReadSome(offset, destination, count) == static_cast<long long>(count);
    const bool inWindow = offset >= windowStart_ && offset - windowStart_ + count <= windowLength_;
    if (!inWindow && !FillWindow(offset)) return false;
    if (offset - windowStart_ + count > windowLength_) return false;  // the file shrank meanwhile
    std::memcpy(destination, window_.get() + (offset - windowStart_), count);
    return true;
}

std::optional<std::span<const std::uint8_t>> ArchiveFile::HeldBytes(std::uint64_t offset, std::size_t count) {
    if (offset > size_ || count > size_ - offset || count == 0) return std::nullopt;
    std::uint8_t probe = 0;
    // One byte read where the range begins brings the range's part of the
    // file into memory the way any reader of it would.
    if (!ReadAt(offset, &probe, 1)) return std::nullopt;
    if (offset >= tailStart_) {
        if (offset - tailStart_ + count > tailLength_) return std::nullopt;
        return std::span<const std::uint8_t>(tail_.get() + (offset - tailStart_), count);
    }
    // A window that holds the whole file is never filled again; any other may be.
    const bool wholeFile = window_ && windowStart_ == 0 && windowLength_ == size_;
    if (!wholeFile) return std::nullopt;
    return std::span<const std::uint8_t>(window_.get() + offset, count);
}

std::optional<std::span<const std::uint8_t>> ArchiveFile::BytesAt(std::uint64_t offset, std::size_t count,
                                                                  std::vector<std::uint8_t>& copy) {
    if (const auto held = HeldBytes(offset, count)) return held;
    copy.resize(count);
    if (!ReadAt(offset, copy.data(), count)) return std::nullopt;
    return std::span<const std::uint8_t>(copy);
}

bool ArchiveFile::ReadFromTail(std::uint64_t offset, void* destination, std::size_t count) {
    if (!tail_) {
        const auto length = static_cast<std::size_t>(size_ - tailStart_);
        tail_.reset(new std::uint8_t[length]);
        const long long got = ReadSome(tailStart_, tail_.get(), length);
        if (got < 0) {
            tail_.reset();
            return false;
        }
        tailLength_ = static_cast<std::size_t>(got);
    }
    if (offset - tailStart_ + count > tailLength_) return false;  // the file shrank meanwhile
    std::memcpy(destination, tail_.get() + (offset - tailStart_), count);
    return true;
}

long long ArchiveFile::ReadSome(std::uint64_t offset, void* destination, std::size_t count) {
    auto* out = static_cast<char*>(destination);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_.Get(), out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

}  // namespace vorlan::engine
