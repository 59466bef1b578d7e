// SPDX-License-Identifier: MIT
// An owned file descriptor, closed when the object goes, and the two loops
// every writer and reader of a whole file needs.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace vorlan {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        // A close failure on a descriptor we only read from loses nothing;
        // writers check their own close before they count a file as done.
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Writes all of bytes, going on after short and interrupted writes. 0 when
// every byte is written, else the error (ENOSPC for a write that took none).
int WriteAll(int fd, std::string_view bytes) noexcept;

// Hands what is left of the file to take, piece after piece as read, going
// on after interrupted reads. 0 at the end of the file, ECANCELED when take
// returns false, else the read's error.
int ReadInPieces(int fd, const std::function<bool(std::string_view)>& take);

// Appends what is left of the file to text, going on after interrupted
// reads, until the file ends or text holds more than limit bytes: never more
// than a read past the limit, however long the file grows. 0 at the end of
// the file, EFBIG past the limit, else the read's error; what was read stays
// appended.
int ReadToEnd(int fd, std::string& text, std::size_t limit = std::string::npos);

// What ReadRegularFile gives for a path that is no regular file.
constexpr int kNotRegularFile = -1;

// Replaces bytes with the whole of the file at path, opened without waiting
// (a FIFO is never waited on, and is refused). 0 when it is all read,
// kNotRegularFile, EFBIG when it holds more than limit bytes, else the
// error of opening or reading it.
int ReadRegularFile(const std::string& path, std::string& bytes, std::size_t limit = std::string::npos);
// The same for a file already open, read from where it stands.
int ReadRegularFile(int fd, std::string& bytes, std::size_t limit = std::string::npos);

}  // namespace vorlan
