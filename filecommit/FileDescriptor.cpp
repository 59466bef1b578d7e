// SPDX-License-Identifier: MIT
// Whole-file writes and reads.
#include "filecommit/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace vorlan {

int WriteAll(int fd, std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return errno;
        if (wrote == 0) return ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return 0;
}

int ReadInPieces(int fd, const std::function<bool(std::string_view)>& take) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        if (!take(std::string_view(buffer, static_cast<std::size_t>(got)))) return ECANCELED;
    }
}

int ReadToEnd(int fd, std::string& text, std::size_t limit) {
    const int error = ReadInPieces(fd, [&text, limit](std::string_view piece) {
        text.append(piece);
        return text.size() <= limit;
    });
    return error == ECANCELED ? EFBIG : error;
}

int ReadRegularFile(int fd, std::string& bytes, std::size_t limit) {
    bytes.clear();
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return kNotRegularFile;
    if (static_cast<std::uintmax_t>(info.st_size) > limit) return EFBIG;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    return ReadToEnd(fd, bytes, limit);
}

int ReadRegularFile(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.Valid()) return errno;
    return ReadRegularFile(file.Get(), bytes, limit);
}

}  // namespace vorlan
