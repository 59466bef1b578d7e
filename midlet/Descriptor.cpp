// SPDX-License-Identifier: MIT
// Reading a JAR's manifest and writing its JAD descriptor.
#include "midlet/Descriptor.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/Globals.h"
#include "midlet/ManifestEntryName.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/ScratchFolder.h"
#include "midlet/TextLines.h"
#include "platform/Application.h"
#include "platform/FindFiles.h"
#include "zip/TZip.h"

namespace vorlan {

void RequireExistingFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw std::runtime_error("\"" + path + "\" does not exist or is not a file");
}

// Entries that a case-blind reader takes for the manifest. Java takes the one
// stored exactly as META-INF/MANIFEST.MF, Vorlan's extraction takes either:
// with more than one, which manifest a suite has depends on the reader.
// storedName gets the name of the last one.
int ManifestEntries(const TZip& zip, std::string& storedName) {
    int count = 0;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        const TFileInfo& entry = zip.Entry(i);
        if (!EqualsIgnoringCase(entry.FileName, kManifestComponentName)) continue;
        ++count;
        storedName = entry.FileName;
        std::replace(storedName.begin(), storedName.end(), '\\', '/');
    }
    return count;
}

int ManifestEntryCount(const TZip& zip) {
    std::string storedName;
    return ManifestEntries(zip, storedName);
}

JarManifest ReadJarManifest(TZip& zip, const std::string& jarPath) {
    // Opening a missing archive would create an empty one under its name:
    // a listed JAR that has gone must not leave such a file behind.
    RequireExistingFile(jarPath);
    // Whatever manifest is still in the scratch folder (an API archive's, or
    // an earlier JAR's) must never pass for this JAR's.
    RemoveScratchManifests();
    ExtractFromArchive(zip, "META-INF\\manifest.mf", ScratchRoot + kScratchTree, jarPath);
    JarManifest read;
    const int manifests = ManifestEntries(zip, read.storedName);
    if (manifests > 1)
        throw std::runtime_error("\"" + jarPath + "\" holds several manifests that differ only in letter case");
    const std::string manifest = FindScratchManifest();
    if (manifest.empty() && manifests == 0) throw std::runtime_error("\"" + jarPath + "\" has no META-INF/MANIFEST.MF");
    // The JAR lists its manifest and none came out: the extraction failed (a
    // full scratch folder, a damaged entry), and the engine said why.
    if (manifest.empty()) {
        const std::string& why = zip.LastEngineMessage;
        throw std::runtime_error("The META-INF/MANIFEST.MF of \"" + jarPath + "\" could not be extracted" +
                                 (why.empty() ? std::string() : ": " + why));
    }
    read.bytes = ManifestBuffer->LoadFromFile(manifest);
    read.scratchPath = manifest;
    // One manifest entry gave one file: the scratch folder now holds that one only.
    if (manifests == 1) NoteOnlyScratchManifest(manifest);
    return read;
}

void RequireNameFitsUrl(const std::string& jarPath) {
    for (const char c : FileNamePart(jarPath))
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw std::runtime_error(
                "the JAR's file name holds a line break or another control character, which a JAD cannot carry in "
                "MIDlet-Jar-URL: rename the JAR");
}

namespace {

std::int32_t LowSigned32(std::uintmax_t size) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
}

}  // namespace

std::int32_t FileSizeByName(const std::string& path) {
    // A file of exactly this name is the one the search would find first:
    // one stat instead of opening its folder (the batch asks for every JAR).
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return LowSigned32(static_cast<std::uintmax_t>(info.st_size));
    std::vector<FoundFile> found;
    FindFiles(path, found);
    return found.empty() ? -1 : LowSigned32(found.front().size);
}

namespace {

// Replaces every line containing lowerKey by replacement; true when one did.
bool ReplaceLinesContaining(TextLines& lines, std::string_view lowerKey, const std::string& replacement) {
    bool replaced = false;
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        if (!ContainsIgnoringCase(lines[i], lowerKey)) continue;
        lines.Set(i, replacement);
        replaced = true;
    }
    return replaced;
}

}  // namespace

void SetJarSizeAndUrl(TextLines& lines, const std::string& size, const std::string& url) {
    // JADs have no continuation lines: a phone refuses a line that starts
    // with a space. Joined first, a folded size or URL line is replaced whole.
    JoinContinuationLines(lines);
    const std::string sizeLine = "MIDlet-Jar-Size: " + size;
    const std::string urlLine = "MIDlet-Jar-URL: " + url;
    const bool sizeReplaced = ReplaceLinesContaining(lines, "midlet-jar-size", sizeLine);
    const bool urlReplaced = ReplaceLinesContaining(lines, "midlet-jar-url", urlLine);
    if (!sizeReplaced) lines.Add(sizeLine);
    if (!urlReplaced) lines.Add(urlLine);
}

PendingFile PrepareDescriptor(const std::string& jarPath, const std::string& urlJarPath,
                              const std::string& descriptorPath, int folderFd) {
    RequireNameFitsUrl(urlJarPath);
    const std::optional<struct stat> existing = CheckReplaceable(descriptorPath);
    SetJarSizeAndUrl(*ManifestBuffer, std::to_string(FileSizeByName(jarPath)), FileNamePart(urlJarPath));
    PendingFile file = PendingFile::Beside(descriptorPath, folderFd);
    if (existing && S_ISREG(existing->st_mode)) file.SetMode(existing->st_mode);
    file.Write(ManifestBuffer->Text());
    App().ProcessMessages();
    return file;
}

}  // namespace vorlan
