// Temporary file, then rename, inside an already opened target folder.
#include "engines/ExtractedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

// Short, so that a target name of any allowed length still leaves room.
std::string TemporaryName() {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".vorlan-";
    for (int i = 0; i < 10; ++i) name += kLetters[generator() % (sizeof kLetters - 1)];
    return name + ".part";
}

}  // namespace

ExtractedFile::ExtractedFile(int folderFd, std::string targetName)
    : folderFd_(folderFd), targetName_(std::move(targetName)) {
    for (int attempt = 0; attempt < 100 && !fd_.valid(); ++attempt) {
        temporaryName_ = TemporaryName();
        fd_.reset(::openat(folderFd_, temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd_.valid() && errno != EEXIST) break;
    }
    if (!fd_.valid()) {
        const int error = errno;
        temporaryName_.clear();
        throw EngineError(SystemErrorText("Cannot create \"" + targetName_ + "\"", error));
    }
}

ExtractedFile::~ExtractedFile() { discard(); }

void ExtractedFile::write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd_.get(), bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw EngineError(SystemErrorText("Cannot write \"" + targetName_ + "\"", wrote < 0 ? errno : ENOSPC));
        bytes = bytes.subspan(static_cast<std::size_t>(wrote));
    }
}

void ExtractedFile::commit(std::time_t modified) {
    const timespec times[2] = {{0, UTIME_NOW}, {modified, 0}};
    if (::futimens(fd_.get(), times) != 0)
        throw EngineError(SystemErrorText("Cannot set the time of \"" + targetName_ + "\"", errno));
    if (::close(fd_.release()) != 0) throw EngineError(SystemErrorText("Cannot write \"" + targetName_ + "\"", errno));
    if (::renameat(folderFd_, temporaryName_.c_str(), folderFd_, targetName_.c_str()) != 0)
        throw EntryFailed(SystemErrorText("Cannot create \"" + targetName_ + "\"", errno));
    temporaryName_.clear();
}

void ExtractedFile::discard() noexcept {
    fd_.reset();
    if (!temporaryName_.empty()) ::unlinkat(folderFd_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
}

}  // namespace vorlan::engine
