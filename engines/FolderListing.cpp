// Listing a folder with getdents64 on its own descriptor.
#include "engines/FolderListing.h"

#include <dirent.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

// The fixed head of a linux_dirent64 record, read field by field: the
// buffer's bytes are never taken for a struct in place.
constexpr std::size_t kLengthAt = offsetof(struct dirent64, d_reclen);
constexpr std::size_t kTypeAt = offsetof(struct dirent64, d_type);
constexpr std::size_t kNameAt = offsetof(struct dirent64, d_name);

}  // namespace

std::vector<ListedItem> ListFolder(int folderFd) {
    // The descriptor may have been listed before: start from the beginning.
    if (::lseek(folderFd, 0, SEEK_SET) != 0) throw EngineError(SystemErrorText("Cannot list a folder", errno));
    std::vector<ListedItem> items;
    alignas(8) std::array<char, 32 * 1024> buffer;
    for (;;) {
        const ssize_t got = ::getdents64(folderFd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EngineError(SystemErrorText("Cannot list a folder", errno));
        if (got == 0) return items;
        for (std::size_t at = 0; at + kNameAt < static_cast<std::size_t>(got);) {
            unsigned short length = 0;
            std::memcpy(&length, buffer.data() + at + kLengthAt, sizeof length);
            if (length <= kNameAt || at + length > static_cast<std::size_t>(got)) break;
            const char* start = buffer.data() + at + kNameAt;
            const std::string_view name(start, ::strnlen(start, length - kNameAt));
            if (name != "." && name != "..")
                items.push_back(ListedItem{std::string(name), static_cast<unsigned char>(buffer[at + kTypeAt])});
            at += length;
        }
    }
}

}  // namespace vorlan::engine
