// Files written unnamed beside their final path and named when complete.
#include "midlet/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "midlet/UniqueFd.h"

namespace vorlan {

namespace {

// Long names are shortened so that the temporary name stays within NAME_MAX.
constexpr std::size_t kKeptNameLength = 200;

[[noreturn]] void ThrowFailure(const std::string& what, const std::string& path, int error) {
    throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(error));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryPattern(const std::string& finalPath) {
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    return folder + name.substr(0, kKeptNameLength) + ".vorlan-XXXXXX";
}

// The process's umask, read once: reading it means setting it twice, and
// nothing in Vorlan changes it after start-up.
mode_t ProcessUmask() {
    static const mode_t mask = [] {
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return mask;
}

// The replacement keeps the permissions of the file it replaces; a new file
// gets the ordinary ones (0666 less the umask), not mkstemp's private 0600.
// replacing tells whether something has the final name now.
mode_t ModeForReplacement(const std::string& finalPath, bool& replacing) {
    struct stat existing {};
    replacing = lstat(finalPath.c_str(), &existing) == 0;
    if (replacing) {
        if (S_ISDIR(existing.st_mode)) throw std::runtime_error("Cannot replace \"" + finalPath + "\": it is a folder");
        if (S_ISREG(existing.st_mode)) {
            // The Windows read-only attribute's meaning: nobody may write it.
            if ((existing.st_mode & 0222) == 0)
                throw std::runtime_error("Cannot replace \"" + finalPath + "\": the file is read-only");
            return existing.st_mode & 07777;
        }
    }
    return 0666 & ~ProcessUmask();
}

// Names an open unnamed file: directly when the process may (AT_EMPTY_PATH),
// else through its /proc entry.
bool LinkUnnamed(int fd, const std::string& path) {
    if (linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;  // the name is taken: the other way would fail alike
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A name for the temporary file in the pattern's place: the pattern's
// X's made random, as mkstemp makes them.
std::string RandomName(std::string pattern) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static unsigned long long state = static_cast<unsigned long long>(getpid()) * 0x9E3779B97F4A7C15ull;
    for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        pattern[i] = kLetters[(state >> 33) % (sizeof kLetters - 1)];
    }
    return pattern;
}

}  // namespace

ReplacementFile::ReplacementFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    const mode_t mode = ModeForReplacement(finalPath_, replacing_);
    // A new file is created as open() creates files (0666 less the umask, or
    // as the folder's default ACL says); a replacement gets its mode below.
    fd_ = open(FolderOf(finalPath_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, replacing_ ? 0600 : 0666);
    if (fd_ < 0) {
        // No unnamed files on this file system (FAT, some network shares).
        temporaryPath_ = TemporaryPattern(finalPath_);
        fd_ = mkostemp(temporaryPath_.data(), O_CLOEXEC);
        if (fd_ < 0) ThrowFailure("Cannot create a file beside", finalPath_, errno);
    }
    if ((replacing_ || !temporaryPath_.empty()) && fchmod(fd_, mode) != 0) {
        const int error = errno;
        close(fd_);
        if (!temporaryPath_.empty()) unlink(temporaryPath_.c_str());
        ThrowFailure("Cannot set the permissions of a new file for", finalPath_, error);
    }
}

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_ && !temporaryPath_.empty()) unlink(temporaryPath_.c_str());  // nothing more to do if that fails
}

void ReplacementFile::GiveTemporaryName() {
    if (!temporaryPath_.empty()) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = RandomName(TemporaryPattern(finalPath_));
        if (LinkUnnamed(fd_, path)) {
            temporaryPath_ = path;
            return;
        }
        if (errno != EEXIST) break;
    }
    ThrowFailure("Cannot name the new file for", finalPath_, errno);
}

const std::string& ReplacementFile::TemporaryPath() {
    if (fd_ >= 0) GiveTemporaryName();
    return temporaryPath_;
}

void ReplacementFile::Write(std::string_view bytes) {
    if (fd_ < 0) throw std::logic_error("ReplacementFile::Write after FinishWriting");
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFailure("Cannot write the new file for", finalPath_, errno);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ReplacementFile::CopyFrom(const std::string& sourcePath) {
    const UniqueFd source(open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) ThrowFailure("Cannot open", sourcePath, errno);
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t n = read(source.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFailure("Cannot read", sourcePath, errno);
        if (n == 0) return;
        Write(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
}

void ReplacementFile::FinishWriting() {
    if (fd_ < 0) return;
    GiveTemporaryName();
    const int fd = fd_;
    fd_ = -1;
    // close() is where a full disk may show on file systems that delay writing.
    if (close(fd) != 0) ThrowFailure("Cannot write the new file for", finalPath_, errno);
}

// The file takes its name only now, when it is complete: a new file takes the
// final name at once; one that replaces another takes a temporary name and
// the final one right after. Nothing half-written ever has a name.
void ReplacementFile::Commit() {
    if (fd_ >= 0 && temporaryPath_.empty() && !replacing_ && LinkUnnamed(fd_, finalPath_)) {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            const int error = errno;
            unlink(finalPath_.c_str());
            ThrowFailure("Cannot write", finalPath_, error);
        }
        committed_ = true;
        return;
    }
    FinishWriting();
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) ThrowFailure("Cannot replace", finalPath_, errno);
    committed_ = true;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    ReplacementFile file(path);
    file.Write(bytes);
    file.Commit();
}

}  // namespace vorlan
