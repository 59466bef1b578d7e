// The executable's folder and the per-process scratch root with its removal at exit.
#include "platform/ProcessPaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vorlan {

namespace {

std::string SystemError(int error) { return std::strerror(error); }

// A root with the process that made it: a child made by fork() inherits the
// list and the exit handler, but must leave its parent's roots alone.
struct ScratchRoot {
    pid_t owner;
    std::string folder;
};
using ScratchRoots = std::vector<ScratchRoot>;

void RemoveTreeAt(int parentFd, const char* name);

// Removes everything inside the open folder; the folder's own entry stays.
void RemoveFolderContents(int folderFd) {
    DIR* folder = fdopendir(folderFd);
    if (folder == nullptr) {
        close(folderFd);
        return;
    }
    std::vector<std::string> names;  // collected first: deleting while reading may skip entries
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    for (const std::string& name : names) RemoveTreeAt(dirfd(folder), name.c_str());
    closedir(folder);
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
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        fchmodat(parentFd, name, (status.st_mode & 07777) | S_IRWXU, 0);
    const int folderFd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd >= 0) RemoveFolderContents(folderFd);
    unlinkat(parentFd, name, AT_REMOVEDIR);
}

ScratchRoots& RootsToRemove();

void RemoveScratchRootsAtExit() {
    const pid_t self = getpid();
    for (const ScratchRoot& root : RootsToRemove())
        if (root.owner == self) RemoveTreeAt(AT_FDCWD, root.folder.c_str());
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
            throw std::runtime_error("Cannot find the program's own folder: /proc/self/exe: " +
                                     SystemError(errno));
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(length));
            return path.substr(0, path.rfind('/') + 1);
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut: try again with more room
    }
}

namespace {

// A folder to make the scratch root in: absolute (a relative one would move
// with the current directory), a real folder, and open to us for writing.
bool IsUsableBaseFolder(const std::string& folder) {
    struct stat status {};
    return !folder.empty() && folder.front() == '/' && stat(folder.c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode) && access(folder.c_str(), W_OK | X_OK) == 0;
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

std::string ScratchBaseFolder() { return ScratchBaseFolderAmong({Environment("XDG_RUNTIME_DIR"), "/dev/shm"}); }

std::string CreateScratchRootIn(const std::string& baseFolder) {
    std::string base = WithoutTrailingSlashes(baseFolder);
    std::string folder = (base == "/" ? std::string() : base) + "/vorlan-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr)
        throw std::runtime_error("Cannot create a scratch folder in \"" + baseFolder +
                                 "\": " + SystemError(errno));
    RootsToRemove().push_back({getpid(), folder});
    return folder + "/";
}

std::string CreateScratchRoot() {
    static const std::string root = CreateScratchRootIn(ScratchBaseFolder());
    return root;
}

}  // namespace vorlan
