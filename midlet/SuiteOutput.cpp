// SPDX-License-Identifier: MIT
// Prepared copies of suites in an output folder.
#include "midlet/SuiteOutput.h"

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

void RequireReplaceable(const std::string& path, bool replace) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return;
        throw std::runtime_error("\"" + path + "\" cannot be examined: " + std::strerror(errno));
    }
    if (!replace) throw std::runtime_error("\"" + path + "\" exists already; give --force to replace it");
    if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        throw std::runtime_error("\"" + path + "\" is not a file and is not replaced");
}

// One folder on the way from the root to an output: made when missing,
// refused when it is a link or no folder.
void RequireRealFolder(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno != ENOENT) throw std::runtime_error("\"" + path + "\" cannot be examined: " + std::strerror(errno));
        if (::mkdir(path.c_str(), 0777) == 0) return;
        if (errno != EEXIST || ::lstat(path.c_str(), &status) != 0)
            throw std::runtime_error("\"" + path + "\" cannot be made: " + std::strerror(errno));
    }
    if (S_ISLNK(status.st_mode))
        throw std::runtime_error("\"" + path +
                                 "\" is a link: copies are written only into real folders below the --out folder");
    if (!S_ISDIR(status.st_mode)) throw std::runtime_error("\"" + path + "\" is not a folder");
}

// The folders between root and folder (both ending in "/"), one by one
// from the root down.
void MakeRealFoldersBelow(const std::string& root, const std::string& folder) {
    if (folder.compare(0, root.size(), root) != 0)
        throw std::logic_error("an output lies outside the --out folder: \"" + folder + "\"");
    std::string path = root;
    std::size_t start = root.size();
    while (start < folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        path += folder.substr(start, end - start);
        if (end > start) RequireRealFolder(path);
        path += '/';
        start = end + 1;
    }
}

}  // namespace

SuiteOutput SuiteOutputAt(const std::string& root, const std::string& jarPath, bool replace) {
    if (jarPath.empty()) return {};
    return {root, jarPath, ReplaceLastThree(jarPath, "jad"), replace};
}

void PrepareSuiteOutput(const SuiteOutput& output) {
    std::error_code error;
    std::filesystem::create_directories(output.root, error);  // the folder the user named may be reached by a link
    if (error) throw std::runtime_error("\"" + output.root + "\" cannot be made: " + error.message());
    MakeRealFoldersBelow(output.root, FolderOf(output.jar) + "/");
    RequireReplaceable(output.jar, output.replace);
    RequireReplaceable(output.jad, output.replace);
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

void CopyJarOut(const std::string& builtJar, const SuiteOutput& output, CommitUnit& unit) {
    const std::string folder = FolderOf(output.jar);
    const std::string name = NameOf(output.jar);
    for (const PendingRename& rename : unit.renames)
        if (rename.folder == folder && rename.targetName == name) return;
    PendingFile jar = PendingFile::Beside(output.jar);
    jar.CopyFrom(builtJar);
    jar.StartWriteBack();
    unit.Add(jar, folder);
}

}  // namespace vorlan
