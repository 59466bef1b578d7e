// SPDX-License-Identifier: MIT
// The executable's folder and the per-process scratch root with its removal at exit.
#include "platform/ProcessPaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/FolderListing.h"

namespace vorlan {

namespace {

std::string SystemError(int error) {
    return std::strerror(error);
}

// A root with the process that made it: a child made by fork() inherits the
// list and the exit handler, but must leave its parent's roots alone. The
// descriptor holds the root's lock (see SweepAbandonedRoots) for as long as
// the process lives.
struct ScratchRoot {
    pid_t owner;
    std::string folder;
    int lockFd;
};
using ScratchRoots = std::vector<ScratchRoot>;

void RemoveTreeAt(int parentFd, const char* name);

// Removes everything inside the open folder; the folder's own entry stays.
void RemoveFolderContents(int folderFd) {
    std::vector<ListedItem> items;  // listed first: deleting while reading may skip entries
    static_cast<void>(ListFolder(folderFd, items));
    for (const ListedItem& item : items) RemoveTreeAt(folderFd, item.name.c_str());
    close(folderFd);
}

// Removes one entry below parentFd. Links are removed as links and never
// followed, so nothing outside the root is ever touched. Failures are left
// alone: this runs at exit, where nobody is left to tell.
void RemoveTreeAt(int parentFd, const char* name) {
    struct stat status {};
    if (fstatat(parentFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISDIR(status.st_mode)) {
        unlinkat(parentFd, name, 0);
        return;
    }
    // Extracted folders may come without write or search permission for us.
    if ((status.st_mode & S_IRWXU) != S_IRWXU) fchmodat(parentFd, name, (status.st_mode & 07777) | S_IRWXU, 0);
    const int folderFd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd >= 0) RemoveFolderContents(folderFd);
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

ScratchRoots& RootsToRemove();

void RemoveScratchRootsAtExit() {
    const pid_t self = getpid();
    for (const ScratchRoot& root : RootsToRemove()) {
        if (root.owner != self) continue;
        RemoveTreeAt(AT_FDCWD, root.folder.c_str());
        if (root.lockFd >= 0) close(root.lockFd);
    }
    RootsToRemove().clear();
}

ScratchRoots& RootsToRemove() {
    // Made before the handler is registered, so it is destroyed after the handler ran.
    static ScratchRoots roots;
    static const bool registered = (std::atexit(RemoveScratchRootsAtExit) == 0);
    (void)registered;
    return roots;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string ExecutableFolder() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            throw std::runtime_error("Cannot find the program's own folder: /proc/self/exe: " + SystemError(errno));
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(length));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut: try again with more room
    }
}

namespace {

bool HoldsDataFiles(const std::string& folder) {
    return access((folder + "fix.jar").c_str(), F_OK) == 0 || access((folder + "API").c_str(), F_OK) == 0;
}

}  // namespace

std::string DataFolderFor(const std::string& executableFolder, const std::string& dataFromExecutable) {
    if (HoldsDataFiles(executableFolder)) return executableFolder;
    // The executable's folder comes from /proc/self/exe, with every link
    // resolved, so ".." can be taken away by name.
    std::string installed = (std::filesystem::path(executableFolder) / dataFromExecutable).lexically_normal().string();
    if (installed.back() != '/') installed += '/';
    return HoldsDataFiles(installed) ? installed : executableFolder;
}

std::string DataFolder() {
    return DataFolderFor(ExecutableFolder(), VORLAN_DATA_FROM_PROGRAMS);
}

namespace {

// A folder to make the scratch root in: absolute (a relative one would move
// with the current directory), a real folder, and open to us for writing.
bool IsUsableBaseFolder(const std::string& folder) {
    struct stat status {};
    return !folder.empty() && folder.front() == '/' && stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string ScratchBaseFolderAmong(const std::vector<std::string>& inMemoryCandidates) {
    for (const std::string& candidate : inMemoryCandidates)
        if (IsUsableBaseFolder(candidate)) return candidate;
    const std::string temporary = Environment("TMPDIR");
    return temporary.empty() ? "/tmp" : temporary;
}

std::string ScratchBaseFolder() {
    return ScratchBaseFolderAmong({Environment("XDG_RUNTIME_DIR"), "/dev/shm"});
}

namespace {

constexpr const char* kRootPrefix = "vorlan-";
constexpr std::size_t kRootNameLength = 13;  // "vorlan-" and mkdtemp's six characters
// A root this young may be one whose process has made it and is about to lock it.
constexpr std::time_t kYoungestAbandonedRoot = 10;  // seconds

// Locks a root for this process; the lock goes with the process, however it ends.
int LockRoot(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

bool LooksLikeAbandonedRoot(int baseFd, const char* name) {
    if (std::strlen(name) != kRootNameLength || std::strncmp(name, kRootPrefix, std::strlen(kRootPrefix)) != 0)
        return false;
    struct stat status {};
    return fstatat(baseFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && std::time(nullptr) - status.st_mtime >= kYoungestAbandonedRoot;
}

// Removes the roots of processes that were killed before they could remove
// their own (SIGKILL, a crash): in a base folder held in memory they would
// keep their API files in memory until the machine restarts. A root whose
// lock can be taken has no living process; one that is locked, young, not a
// real folder or someone else's is left alone, and links are never followed.
// Failures are left alone too: the sweep is housekeeping, not this run's work.
void SweepAbandonedRoots(const std::string& base) {
    const int baseFd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return;
    std::vector<ListedItem> items;
    static_cast<void>(ListFolder(baseFd, items));
    for (const ListedItem& item : items) {
        if (!LooksLikeAbandonedRoot(baseFd, item.name.c_str())) continue;
        const int lockFd = openat(baseFd, item.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (lockFd < 0) continue;
        if (flock(lockFd, LOCK_EX | LOCK_NB) == 0) RemoveTreeAt(baseFd, item.name.c_str());
        close(lockFd);
    }
    close(baseFd);
}

}  // namespace

std::string CreateScratchRootIn(const std::string& baseFolder) {
    std::string base = WithoutTrailingSlashes(baseFolder);
    SweepAbandonedRoots(base);
    std::string folder = (base == "/" ? std::string() : base) + "/" + kRootPrefix + "XXXXXX";
    if (mkdtemp(folder.data()) == nullptr)
        throw std::runtime_error("Cannot create a scratch folder in \"" + baseFolder + "\": " + SystemError(errno));
    // On a file system without flock the root goes unlocked and still works:
    // a sweep there cannot take a lock either, so it removes nothing.
    RootsToRemove().push_back({getpid(), folder, LockRoot(folder)});
    return folder + "/";
}

std::string CreateScratchRoot() {
    static const std::string root = CreateScratchRootIn(ScratchBaseFolder());
    return root;
}

}  // namespace vorlan
