// SPDX-License-Identifier: MIT
// Writing an extracted file and putting it in place.
#include "engines/ExtractedFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "engines/EngineErrors.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

ExtractedFile::ExtractedFile(int folderFd, std::string targetName)
    : targetName_(std::move(targetName)), file_(CommitStepOf([&] { return PendingFile(folderFd, targetName_); })) {}

void ExtractedFile::Write(std::span<const std::uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (const int error = WriteAll(file_.Fd(), text))
        throw SystemFailure("Cannot write \"" + targetName_ + "\"", error);
}

void ExtractedFile::Commit(std::time_t modified) {
    const timespec times[2] = {{0, UTIME_NOW}, {modified, 0}};
    if (::futimens(file_.Fd(), times) != 0)
        throw SystemFailure("Cannot set the time of \"" + targetName_ + "\"", errno);
    CommitStepOf([&] { file_.Publish(); });
}

}  // namespace vorlan::engine
