// SPDX-License-Identifier: MIT
// Positioned reads of a suite's JAR.
#include "suitecheck/JarFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vorlan {

namespace {

// Large enough that a JAR of small entries is read in a few calls, small
// enough that two checks running side by side stay well inside the memory
// budget.
constexpr std::size_t kWindow = 256 * 1024;

}  // namespace

JarFile::JarFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
    if (!fd_.Valid()) throw std::runtime_error(std::strerror(errno));
    struct stat status {};
    if (::fstat(fd_.Get(), &status) != 0) throw std::runtime_error(std::strerror(errno));
    if (!S_ISREG(status.st_mode)) throw std::runtime_error("not a regular file");
    size_ = static_cast<std::uint64_t>(status.st_size);
}

bool JarFile::ReadAt(std::uint64_t offset, void* destination, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    auto* into = static_cast<char*>(destination);
    if (count >= kWindow) return ReadThrough(offset, into, count);
    const bool inWindow = offset >= windowStart_ && offset - windowStart_ + count <= windowLength_;
    if (!inWindow) {
        if (!window_) window_ = std::make_unique_for_overwrite<char[]>(kWindow);
        const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - offset));
        windowLength_ = 0;
        if (!ReadThrough(offset, window_.get(), length)) return false;
        windowStart_ = offset;
        windowLength_ = length;
    }
    std::memcpy(into, window_.get() + (offset - windowStart_), count);
    return true;
}

bool JarFile::ReadThrough(std::uint64_t offset, char* into, std::size_t count) {
    while (count > 0) {
        const ssize_t got = ::pread(fd_.Get(), into, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        into += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace vorlan
