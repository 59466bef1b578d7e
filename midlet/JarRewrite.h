// SPDX-License-Identifier: MIT
// What mode 0 writes into a JAR: the files of the scratch folder (the
// checked API files, a mended manifest) through the add engine, and a
// manifest entry renamed to META-INF/MANIFEST.MF. The new JAR is a pending
// file beside the JAR, to be committed with its JAD; the JAR itself is
// untouched until then.
#pragma once

#include <string>

#include "filecommit/CommitGroup.h"

namespace vorlan {

class EntryWarnings;
struct JarManifest;
struct SuiteWriteOptions;
class TZip;

// Adds the scratch folder's files into a stand-in of target (jar is the
// name the user gave); gives the new JAR's path, or target when the engine
// changed nothing. The stand-in's rename goes into unit.
std::string AddScratchFilesBeside(TZip& zip, const std::string& jar, const std::string& target, CommitUnit& unit);

// What --repair changed of a JAR's manifest.
struct ManifestMended {
    bool content = false;  // the JAR must take the mended manifest
    bool rename = false;   // its manifest entry must be renamed
};

// --repair: mends the manifest (RepairManifest) and puts the mended text
// into the scratch folder, into ManifestBuffer and into manifest.bytes; each
// repair is noted in warnings as "repaired: what". Nothing without
// options.repair.
ManifestMended MendManifest(JarManifest& manifest, const SuiteWriteOptions& options, EntryWarnings& warnings);

// The JAR at newJar (zip holds its directory) with its manifest entry
// renamed, written as the pending file of target in place of whatever unit
// held for it (made in targetFolderFd when that is open, >= 0); gives the
// pending file's path.
std::string RenameManifestEntry(const TZip& zip, const std::string& newJar, const std::string& target,
                                int targetFolderFd, CommitUnit& unit);

}  // namespace vorlan
