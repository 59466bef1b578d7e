// SPDX-License-Identifier: MIT
// Matching files to entries, and comparing content.
#include "engines/UpdatePlan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
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

}  // namespace

std::vector<PlannedFile> PlanUpdate(const std::vector<std::string>& shownNames, std::vector<CollectedFile> files) {
    std::unordered_multimap<std::string, std::uint64_t> entriesByKey;
    for (std::uint64_t i = 0; i < shownNames.size(); ++i) entriesByKey.emplace(NameKey(shownNames[i]), i);
    std::vector<PlannedFile> plan;
    plan.reserve(files.size());
    for (CollectedFile& file : files) {
        const auto [first, last] = entriesByKey.equal_range(NameKey(file.storedName));
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
    FileDescriptor fd(::open(file.diskPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    ZipFileHandle data(fd.Valid() ? zip_fopen_index(archive, index, 0) : nullptr);
    if (!data) {
        zip_error_clear(archive);
        return false;  // the entry is rewritten, which reads both again and reports what fails
    }
    std::vector<std::uint8_t> fromEntry(kPieceSize), fromFile(kPieceSize);
    for (;;) {
        const zip_int64_t got = zip_fread(data.get(), fromEntry.data(), kPieceSize);
        if (got < 0) return false;
        const auto length = static_cast<std::size_t>(got);
        if (ReadFully(fd.Get(), fromFile.data(), length + (length == 0 ? 1 : 0)) != length) return false;
        if (std::memcmp(fromEntry.data(), fromFile.data(), length) != 0) return false;
        if (got == 0) break;
    }
    return zip_fclose(data.release()) == 0;  // a bad CRC means the entry is not what the file holds
}

}  // namespace vorlan::engine
