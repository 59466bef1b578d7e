// O_TMPFILE files, named with linkat when complete; named temporaries where
// the file system cannot.
#include "engines/UnnamedFile.h"

#include <fcntl.h>
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

// Names an open unnamed file: directly when the process may (AT_EMPTY_PATH),
// else through its /proc entry.
bool Link(int fd, int folderFd, const std::string& name) {
    if (::linkat(fd, "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;  // the name is taken: the other way would fail alike
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, procPath.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

UnnamedFile::UnnamedFile(int folderFd, std::string description)
    : folderFd_(folderFd), description_(std::move(description)) {
    // The mode is narrowed by the umask, as for any new file.
    fd_.reset(::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!fd_.valid()) openNamed();
}

UnnamedFile::~UnnamedFile() {
    discard();
}

void UnnamedFile::openNamed() {
    for (int attempt = 0; attempt < 100 && !fd_.valid(); ++attempt) {
        temporaryName_ = TemporaryName();
        fd_.reset(
            ::openat(folderFd_, temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd_.valid() && errno != EEXIST) break;
    }
    if (!fd_.valid()) {
        const int error = errno;
        temporaryName_.clear();
        throw EngineError(SystemErrorText("Cannot create \"" + description_ + "\"", error));
    }
}

void UnnamedFile::giveTemporaryName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName();
        if (Link(fd_.get(), folderFd_, name)) {
            temporaryName_ = name;
            return;
        }
        if (errno != EEXIST) break;
    }
    throw EngineError(SystemErrorText("Cannot name \"" + description_ + "\"", errno));
}

void UnnamedFile::publish(const std::string& targetName, TargetName target) {
    // Where nothing has the target's name yet, the complete file takes it at
    // once: one change of the folder instead of a temporary name and a rename.
    if (temporaryName_.empty() && target == TargetName::mayBeFree && Link(fd_.get(), folderFd_, targetName)) {
        if (::close(fd_.release()) != 0) {
            const int error = errno;
            ::unlinkat(folderFd_, targetName.c_str(), 0);
            throw EngineError(SystemErrorText("Cannot write \"" + description_ + "\"", error));
        }
        return;
    }
    if (temporaryName_.empty()) giveTemporaryName();
    if (::close(fd_.release()) != 0) throw EngineError(SystemErrorText("Cannot write \"" + description_ + "\"", errno));
    if (::renameat(folderFd_, temporaryName_.c_str(), folderFd_, targetName.c_str()) != 0)
        throw EntryFailed(SystemErrorText("Cannot create \"" + description_ + "\"", errno));
    temporaryName_.clear();
}

void UnnamedFile::discard() noexcept {
    fd_.reset();
    if (!temporaryName_.empty()) ::unlinkat(folderFd_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
}

}  // namespace vorlan::engine
