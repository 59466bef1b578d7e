// A JAR's manifest read into ManifestBuffer, and the JAD descriptor written
// from it: the manifest's lines with "MIDlet-Jar-Size: " and
// "MIDlet-Jar-URL: " set to the JAR's size and file name.
#pragma once

#include <cstdint>
#include <string>

#include "filecommit/PendingFile.h"

namespace vorlan {

class TextLines;
class TZip;

// Throws, saying so, unless path names a regular file (after links).
void RequireExistingFile(const std::string& path);

// The entries of the archive open in zip that a case-blind reader takes
// for the manifest.
int ManifestEntryCount(const TZip& zip);

// Extracts the JAR's META-INF/MANIFEST.MF into the scratch folder and loads
// it into ManifestBuffer. Throws when the JAR does not exist or has no
// manifest; ManifestBuffer then keeps its previous content.
void ReadJarManifest(TZip& zip, const std::string& jarPath);

// The size of the first file the path matches (the path is a search
// pattern), as the low 32 bits read as a signed number; -1 when none.
std::int32_t FileSizeByName(const std::string& path);

// Joins continuation lines to the line before them (a JAD has none), then
// replaces every line containing "midlet-jar-size" (any case) by the size
// line, then every line containing "midlet-jar-url" by the URL line, and
// appends whichever of the two replaced nothing, the size line first.
void SetJarSizeAndUrl(TextLines& lines, const std::string& size, const std::string& url);

// ManifestBuffer, with the size of jarPath and the file name of urlJarPath
// set, written as the new descriptor for descriptorPath: a pending file
// beside it, to be committed with its JAR. The caller has read the manifest
// already. folderFd, when not -1, is descriptorPath's folder, open (the
// batch keeps each folder open, so the descriptor needs no opening of its own).
// Throws when descriptorPath cannot be replaced.
PendingFile PrepareDescriptor(const std::string& jarPath, const std::string& urlJarPath,
                              const std::string& descriptorPath, int folderFd = -1);

}  // namespace vorlan
