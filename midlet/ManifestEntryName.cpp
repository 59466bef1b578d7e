// SPDX-License-Identifier: MIT
// Renaming the manifest entry in place (APPNOTE 4.3.7 local header, 4.3.12
// central header).
#include "midlet/ManifestEntryName.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "midlet/PathNames.h"
#include "zip/TZip.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

namespace {

// The name follows the fixed part of either header. Writes the name over the one stored at nameAt, after checking that
// a record of signature starts at recordAt and holds the manifest's name in some letter case there.
void Rename(std::string& jar, std::size_t recordAt, std::uint32_t signature, std::size_t nameAt) {
    std::string stored =
        nameAt + kManifestEntryName.size() <= jar.size() ? jar.substr(nameAt, kManifestEntryName.size()) : "";
    for (char& c : stored)
        if (c == '\\') c = '/';
    if (recordAt > jar.size() || !StartsWithSignature(AsBytes(std::string_view(jar).substr(recordAt)), signature) ||
        !EqualsIgnoringCase(stored, kManifestEntryName))
        throw std::runtime_error("the manifest entry's headers are not where the directory says: it keeps its name");
    jar.replace(nameAt, kManifestEntryName.size(), kManifestEntryName);
}

}  // namespace

std::string WithManifestNameInItsCase(std::string jar, const TZip& directory) {
    const TEOCHInfo& end = directory.EndOfDirectory;
    const std::int64_t centralStart = static_cast<std::int64_t>(end.EndRecordPosition) - end.CentralDirSize;
    // Offsets count from the archive's start: data in front of it moves them all.
    const std::int64_t inFront = centralStart - end.CentralDirOffset;
    if (end.EndRecordPosition < 0 || centralStart < 0 || inFront < 0)
        throw std::runtime_error("the JAR's directory is not where its end record says: the manifest keeps its name");
    auto central = static_cast<std::size_t>(centralStart);
    for (std::int32_t i = 0; i < directory.EntryCount(); ++i) {
        const TFileInfo& entry = directory.Entry(i);
        if (EqualsIgnoringCase(entry.FileName, kManifestComponentName) &&
            entry.FileNameLength == kManifestEntryName.size()) {
            const std::size_t local = static_cast<std::size_t>(inFront) + entry.LocalHeaderOffset;
            Rename(jar, local, kLocalHeaderSignature, local + kLocalHeaderSize);
            Rename(jar, central, kCentralHeaderSignature, central + kCentralHeaderSize);
            return jar;
        }
        central += kCentralHeaderSize + entry.FileNameLength + entry.ExtraFieldLength + entry.FileCommentLength;
    }
    throw std::runtime_error("the JAR has no manifest entry to rename");
}

}  // namespace vorlan
