// Writing an extracted file and putting it in place.
#include "engines/ExtractedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

ExtractedFile::ExtractedFile(int folderFd, std::string targetName)
    : targetName_(std::move(targetName)), file_(CommitStepOf([&] { return PendingFile(folderFd, targetName_); })) {}

void ExtractedFile::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(file_.Fd(), bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw SystemFailure("Cannot write \"" + targetName_ + "\"", wrote < 0 ? errno : ENOSPC);
        bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
}

void ExtractedFile::Commit(std::time_t modified) {
    const timespec times[2] = {{0, UTIME_NOW}, {modified, 0}};
    if (::futimens(file_.Fd(), times) != 0)
        throw SystemFailure("Cannot set the time of \"" + targetName_ + "\"", errno);
    CommitStepOf([&] { file_.Publish(); });
}

}  // namespace vorlan::engine
