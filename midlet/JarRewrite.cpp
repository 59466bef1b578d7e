// SPDX-License-Identifier: MIT
// Writing a JAR's new form beside it.
#include "midlet/JarRewrite.h"

#include <sys/stat.h>

#include <optional>
#include <stdexcept>

#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/Descriptor.h"
#include "midlet/EntryWarnings.h"
#include "midlet/Globals.h"
#include "midlet/ManifestEntryName.h"
#include "midlet/ManifestRepair.h"
#include "midlet/ScratchFolder.h"
#include "midlet/StandIn.h"
#include "midlet/SuiteWriteOptions.h"
#include "midlet/TextLines.h"
#include "zip/TZip.h"

namespace vorlan {

std::string AddScratchFilesBeside(TZip& zip, const std::string& jar, const std::string& target, CommitUnit& unit) {
    CheckReplaceable(target);
    StandIn standIn(target);
    try {
        AddToArchive(zip, "*", ScratchRoot + kScratchFolder, standIn.Path());
    } catch (const std::runtime_error&) {
        // Named after the user's JAR, not the stand-in; a refused archive says why.
        const std::string& why = zip.LastEngineMessage;
        throw std::runtime_error("Could not add the files of \"" + ScratchRoot + kScratchFolder + "\" into \"" + jar +
                                 "\"" + (why.empty() ? std::string() : ": " + why));
    }
    FileDescriptor lock;
    const std::optional<PendingRename> rename = standIn.HandOver(lock);
    if (!rename) return target;
    unit.renames.push_back(*rename);
    unit.held.push_back(std::move(lock));
    return rename->folder + "/" + rename->pendingName;
}

ManifestMended MendManifest(JarManifest& manifest, const SuiteWriteOptions& options, EntryWarnings& warnings) {
    if (!options.repair) return {};
    const ManifestRepair repair = RepairManifest(manifest.bytes, manifest.storedName, options.manifestCharset);
    for (const std::string& what : repair.repaired) warnings.Add("repaired: " + what);
    if (repair.text) {
        ReplaceFileNow(manifest.scratchPath, *repair.text);
        ManifestBuffer->SetText(*repair.text);
        manifest.bytes = *repair.text;
    }
    return {repair.text.has_value(), repair.renameEntry};
}

namespace {

std::string ReadJar(const std::string& path) {
    std::string bytes;
    if (ReadRegularFile(path, bytes) != 0)
        throw std::runtime_error("\"" + path + "\" cannot be read to rename its manifest entry");
    return bytes;
}

}  // namespace

std::string RenameManifestEntry(const TZip& zip, const std::string& newJar, const std::string& target,
                                int targetFolderFd, CommitUnit& unit) {
    const std::string bytes = WithManifestNameInItsCase(ReadJar(newJar), zip);
    const std::optional<struct stat> existing = CheckReplaceable(target);
    PendingFile jar = PendingFile::Beside(target, targetFolderFd);
    if (existing && S_ISREG(existing->st_mode)) jar.SetMode(existing->st_mode);
    jar.Write(bytes);
    unit.Discard();  // the stand-in the add engine wrote, read above
    return FolderOf(target) + "/" + unit.Add(jar, FolderOf(target));
}

}  // namespace vorlan
