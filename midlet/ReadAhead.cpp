// SPDX-License-Identifier: MIT
// A collection copied or unpacked a while ago is on the disk, not in the
// page cache: each JAR's first read then waits for the disk, while the
// processor sits idle. Asking for the next JARs ahead lets those reads run
// while the batch writes the JAR in hand.
#include "midlet/ReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlan {

void AskToReadAhead(const std::string& path) {
    // The hint is worth nothing when it costs more than the read, so every
    // failure below just ends it. lstat first: opening a device or a FIFO
    // may do more than read, so only a regular file is opened, not through
    // a link, and without waiting for a writer.
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode))
        static_cast<void>(::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED));  // a hint: its failure changes nothing
    ::close(fd);
}

}  // namespace vorlan
