// SPDX-License-Identifier: MIT
// Matching files to entries, and comparing content.
#include "engines/UpdatePlan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engines/EngineErrors.h"
#include "engines/EntryPatterns.h"
#include "engines/EntryReader.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

namespace {

constexpr std::size_t kPieceSize = 64 * 1024;

// Reads up to count bytes; fewer only at the end of the file or on failure.
std::size_t ReadFully(int fd, std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, buffer + done, count - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// The next length bytes of the file, read into buffer: null unless exactly
// that many come (at the end, none: the file must end there too).
const std::uint8_t* ReadFrom(int fd, std::uint8_t* buffer, std::size_t length) {
    const std::size_t wanted = length == 0 ? 1 : length;
    return ReadFully(fd, buffer, wanted) == length ? buffer : nullptr;
}

// The same for content read before, from offset on.
const std::uint8_t* ReadFrom(const std::vector<std::uint8_t>& content, std::size_t offset, std::size_t length) {
    static constexpr std::uint8_t kNothing = 0;  // the data of an empty vector may be null
    if (length == 0) return offset == content.size() ? &kNothing : nullptr;
    return offset + length <= content.size() ? content.data() + offset : nullptr;
}

}  // namespace

std::vector<PlannedFile> PlanUpdate(const std::vector<std::string>& shownNames, std::vector<CollectedFile> files) {
    std::unordered_multimap<std::string_view, std::uint64_t, NameKeyHash, NameKeyEqual> entriesByKey;
    for (std::uint64_t i = 0; i < shownNames.size(); ++i) entriesByKey.emplace(shownNames[i], i);
    std::vector<PlannedFile> plan;
    plan.reserve(files.size());
    for (CollectedFile& file : files) {
        const auto [first, last] = entriesByKey.equal_range(file.storedName);
        PlannedFile planned{std::move(file), std::nullopt};
        if (first != last) {
            if (std::next(first) != last)
                throw EngineError("\"" + planned.file.storedName + "\" matches several entries of the archive");
            planned.replaces = first->second;
        }
        plan.push_back(std::move(planned));
    }
    return plan;
}

bool HoldsSameContent(zip_t* archive, std::uint64_t index, const RawEntry& entry, const CollectedFile& file) {
    if (entry.Encrypted() || entry.uncompressedSize != file.size) return false;
    // A file read as it was found is compared as read: those are the bytes
    // the update would add.
    FileDescriptor fd;
    if (!file.content) fd.Reset(::open(file.diskPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    ZipFileHandle data(file.content || fd.Valid() ? zip_fopen_index(archive, index, 0) : nullptr);
    if (!data) {
        zip_error_clear(archive);
        return false;  // the entry is rewritten, which reads both again and reports what fails
    }
    const auto fromEntry = std::make_unique_for_overwrite<std::uint8_t[]>(kPieceSize);
    const auto fromFile = std::make_unique_for_overwrite<std::uint8_t[]>(file.content ? 0 : kPieceSize);
    std::size_t compared = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(data.get(), fromEntry.get(), kPieceSize);
        if (got < 0) return false;
        const auto length = static_cast<std::size_t>(got);
        const std::uint8_t* const bytes =
            file.content ? ReadFrom(*file.content, compared, length) : ReadFrom(fd.Get(), fromFile.get(), length);
        if (bytes == nullptr || std::memcmp(fromEntry.get(), bytes, length) != 0) return false;
        compared += length;
        if (got == 0) break;
    }
    return zip_fclose(data.release()) == 0;  // a bad CRC means the entry is not what the file holds
}

}  // namespace vorlan::engine
