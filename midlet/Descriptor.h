// SPDX-License-Identifier: MIT
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

// A JAR's manifest as the JAR holds it.
struct JarManifest {
    std::string bytes;        // the entry's content
    std::string storedName;   // the entry's name, "/" between folders (Java reads only META-INF/MANIFEST.MF)
    std::string scratchPath;  // where it was extracted in the scratch folder
};

// The entries of the archive open in zip that a case-blind reader takes
// for the manifest; storedName gets the name of the last one. Java takes
// the one stored exactly as META-INF/MANIFEST.MF, Vorlan's extraction takes
// either: with more than one, which manifest a suite has depends on the
// reader.
int ManifestEntries(const TZip& zip, std::string& storedName);
int ManifestEntryCount(const TZip& zip);

// Extracts the JAR's META-INF/MANIFEST.MF (in any letter case) into the
// scratch folder and loads it into ManifestBuffer. Throws when the JAR does
// not exist or has no manifest; ManifestBuffer then keeps its previous
// content. zip is left holding the JAR's directory.
JarManifest ReadJarManifest(TZip& zip, const std::string& jarPath);

// Throws when the JAR's file name cannot be a JAD's MIDlet-Jar-URL: a line
// break in it would end the line and begin another attribute, and no
// control character may stand in a JAD value.
void RequireNameFitsUrl(const std::string& jarPath);

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
