// SPDX-License-Identifier: MIT
// Prepared copies (vorlan-batch --out DIR): an entry's suite written into
// another folder, its input files only read. The JAR and JAD there commit
// together as in place; nothing is made beside the inputs (no stand-in, no
// pending file, no journal).
#pragma once

#include <string>

#include "filecommit/CommitGroup.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan {

class TZip;

// Where an entry's suite goes: empty jar for in place.
struct SuiteOutput {
    std::string root;  // the output folder, ending in "/"; jar and jad lie below it
    std::string jar;
    std::string jad;
    bool replace = false;  // files already there may be replaced (--force)
    bool InPlace() const { return jar.empty(); }
};

// The output of a suite whose JAR is written at jarPath below root (empty:
// in place).
SuiteOutput SuiteOutputAt(const std::string& root, const std::string& jarPath, bool replace);

// The folder below the root that the output's files go into, made as
// needed, and opened: the output's pending files are made in it and take
// their names there. Throws when a file is there already and may not be
// replaced, or when a name on the way is not a folder or is a link: the
// output folder may be shared, and a link planted there, before or after
// this, would send the copies elsewhere.
FileDescriptor PrepareSuiteOutput(const SuiteOutput& output);

// The input JAR with the scratch folder's files added, built in the scratch
// root (never beside the input); gives its path.
std::string AddScratchFilesToCopy(TZip& zip, const std::string& shownJar, const std::string& source);

// The output JAR: the bytes of builtJar (the input itself, or a JAR built
// in the scratch root) as a pending file in folderFd (output.jar's folder,
// from PrepareSuiteOutput), its rename into unit; nothing when unit already
// holds a rename onto it.
void CopyJarOut(const std::string& builtJar, const SuiteOutput& output, int folderFd, CommitUnit& unit);

}  // namespace vorlan
