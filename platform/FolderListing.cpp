// SPDX-License-Identifier: MIT
// Listing a folder with getdents64 on its own descriptor.
#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace vorlan {

namespace {

// The fixed head of a linux_dirent64 record, read field by field: the
// buffer's bytes are never taken for a struct in place.
constexpr std::size_t kLengthAt = offsetof(struct dirent64, d_reclen);
constexpr std::size_t kTypeAt = offsetof(struct dirent64, d_type);
constexpr std::size_t kNameAt = offsetof(struct dirent64, d_name);

// Appends the items of one buffer of records.
void TakeRecords(const char* records, std::size_t size, std::vector<ListedItem>& items) {
    for (std::size_t at = 0; at + kNameAt < size;) {
        unsigned short length = 0;
        std::memcpy(&length, records + at + kLengthAt, sizeof length);
        if (length <= kNameAt || at + length > size) return;
        const char* start = records + at + kNameAt;
        const std::string_view name(start, ::strnlen(start, length - kNameAt));
        if (name != "." && name != "..")
            items.push_back(ListedItem{std::string(name), static_cast<unsigned char>(records[at + kTypeAt])});
        at += length;
    }
}

}  // namespace

bool ListFolder(int folderFd, std::vector<ListedItem>& items) {
    // The descriptor may have been listed before: start from the beginning.
    if (::lseek(folderFd, 0, SEEK_SET) != 0) return false;
    alignas(8) std::array<char, 32 * 1024> buffer;
    for (;;) {
        const ssize_t got = ::getdents64(folderFd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        TakeRecords(buffer.data(), static_cast<std::size_t>(got), items);
    }
}

bool ListFolder(const std::string& folder, std::vector<ListedItem>& items) {
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return false;
    const bool listed = ListFolder(folderFd, items);
    const int error = errno;
    ::close(folderFd);
    errno = error;
    return listed;
}

}  // namespace vorlan
