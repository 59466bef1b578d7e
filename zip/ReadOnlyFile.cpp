// SPDX-License-Identifier: MIT
// Reading a file's bytes through a descriptor.
#include "zip/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "zip/ZipTypes.h"

namespace vorlan {

std::string NotAValidZipFile(const std::string& name) {
    return "\"" + name + "\"\nis not a valid Zip file.";
}

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
        size_ = other.size_;
    }
    return *this;
}

ReadOnlyFile ReadOnlyFile::OpenForReading(const std::string& path, const std::string& shownName) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) {
        throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + shownName + "\"");
    }
    ReadOnlyFile file;
    file.descriptor_ = descriptor;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) throw ZipException(NotAValidZipFile(shownName));
    file.size_ = info.st_size;
    return file;
}

std::string ReadOnlyFile::ReadAt(std::int64_t offset, std::size_t count) const {
    std::string bytes;
    if (descriptor_ < 0 || offset < 0 || offset >= size_) return bytes;
    const auto available = static_cast<std::uint64_t>(size_ - offset);
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, available)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pread(descriptor_, bytes.data() + done, bytes.size() - done,
                                static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

void ReadOnlyFile::Close() {
    if (descriptor_ >= 0) close(descriptor_);
    descriptor_ = -1;
}

}  // namespace vorlan
