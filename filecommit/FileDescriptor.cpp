// SPDX-License-Identifier: MIT
// Whole-file writes and reads.
#include "filecommit/FileDescriptor.h"

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

int ReadToEnd(int fd, std::string& text, std::size_t limit) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > limit) return EFBIG;
    }
}

}  // namespace vorlan
