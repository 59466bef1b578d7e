// SPDX-License-Identifier: MIT
// Prepared copies of suites in an output folder.
#include "midlet/SuiteOutput.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/Globals.h"
#include "midlet/PathNames.h"
#include "midlet/ScratchFolder.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

// The JAR with API files added is built here, then copied out.
constexpr const char* kCopyInTheMaking = "prepared-copy.jar";

void RequireReplaceable(int folderFd, const std::string& path, bool replace) {
    struct stat status {};
    if (::fstatat(folderFd, NameOf(path).c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return;
        throw std::runtime_error("\"" + path + "\" cannot be examined: " + std::strerror(errno));
    }
    if (!replace) throw std::runtime_error("\"" + path + "\" exists already; give --force to replace it");
    if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        throw std::runtime_error("\"" + path + "\" is not a file and is not replaced");
}

FileDescriptor OpenFolderNoLink(int parentFd, const std::string& name) {
    return FileDescriptor(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// One folder on the way from the root to an output, opened in the one above
// it: made when missing, refused when it is a link or no folder.
FileDescriptor OpenRealFolder(int parentFd, const std::string& name, const std::string& path) {
    FileDescriptor folder = OpenFolderNoLink(parentFd, name);
    if (!folder.Valid() && errno == ENOENT) {
        if (::mkdirat(parentFd, name.c_str(), 0777) != 0 && errno != EEXIST)
            throw std::runtime_error("\"" + path + "\" cannot be made: " + std::strerror(errno));
        folder = OpenFolderNoLink(parentFd, name);
    }
    if (folder.Valid()) return folder;
    const int error = errno;
    struct stat status {};
    if (::fstatat(parentFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("\"" + path + "\" cannot be examined: " + std::strerror(errno));
    if (S_ISLNK(status.st_mode))
        throw std::runtime_error("\"" + path +
                                 "\" is a link: copies are written only into real folders below the --out folder");
    if (!S_ISDIR(status.st_mode)) throw std::runtime_error("\"" + path + "\" is not a folder");
    throw std::runtime_error("\"" + path + "\" cannot be opened: " + std::strerror(error));
}

// The folder (ending in "/") below root, opened folder by folder from the
// root down, each in the one above it: the descriptor stays the folder that
// was checked, whatever is put in its path's place later.
FileDescriptor OpenRealFoldersBelow(const std::string& root, const std::string& folder) {
    if (folder.compare(0, root.size(), root) != 0)
        throw std::logic_error("an output lies outside the --out folder: \"" + folder + "\"");
    FileDescriptor current(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!current.Valid()) throw std::runtime_error("\"" + root + "\" cannot be opened: " + std::strerror(errno));
    std::size_t start = root.size();
    while (start < folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        if (end > start)
            current = OpenRealFolder(current.Get(), folder.substr(start, end - start), folder.substr(0, end));
        start = end + 1;
    }
    return current;
}

}  // namespace

SuiteOutput SuiteOutputAt(const std::string& root, const std::string& jarPath, bool replace) {
    if (jarPath.empty()) return {};
    return {root, jarPath, ReplaceLastThree(jarPath, "jad"), replace};
}

FileDescriptor PrepareSuiteOutput(const SuiteOutput& output) {
    std::error_code error;
    std::filesystem::create_directories(output.root, error);  // the folder the user named may be reached by a link
    if (error) throw std::runtime_error("\"" + output.root + "\" cannot be made: " + error.message());
    FileDescriptor folder = OpenRealFoldersBelow(output.root, FolderOf(output.jar) + "/");
    RequireReplaceable(folder.Get(), output.jar, output.replace);
    RequireReplaceable(folder.Get(), output.jad, output.replace);
    return folder;
}

std::string AddScratchFilesToCopy(TZip& zip, const std::string& shownJar, const std::string& source) {
    const std::string building = ScratchRoot + kCopyInTheMaking;
    {
        PendingFile copy = PendingFile::Beside(building);
        copy.CopyFrom(source);
        copy.Publish();
    }
    try {
        AddToArchive(zip, "*", ScratchRoot + kScratchFolder, building);
    } catch (const std::runtime_error&) {
        const std::string& why = zip.LastEngineMessage;
        throw std::runtime_error("Could not add the files of \"" + ScratchRoot + kScratchFolder + "\" into \"" +
                                 shownJar + "\"" + (why.empty() ? std::string() : ": " + why));
    }
    return building;
}

void CopyJarOut(const std::string& builtJar, const SuiteOutput& output, int folderFd, CommitUnit& unit) {
    const std::string folder = FolderOf(output.jar);
    const std::string name = NameOf(output.jar);
    for (const PendingRename& rename : unit.renames)
        if (rename.folder == folder && rename.targetName == name) return;
    PendingFile jar(folderFd, name);
    jar.CopyFrom(builtJar);
    unit.Add(jar, folder);
}

}  // namespace vorlan
