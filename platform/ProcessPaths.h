// SPDX-License-Identifier: MIT
// Where this process finds its own files and keeps its scratch files.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

// The folder of the running executable (from /proc/self/exe), ending in "/".
std::string ExecutableFolder();

// The folder of Vorlan's architecture-independent files, fix.jar and the API
// folder, ending in "/": the executable's own folder when either is there (a
// build tree, or a tree copied as a whole), else the installed data folder
// (share/vorlan below the install prefix), else the executable's folder again.
std::string DataFolder();

// The same choice for a given executable's folder (ending in "/") and the
// path from it to the installed data folder, for tests.
std::string DataFolderFor(const std::string& executableFolder, const std::string& dataFromExecutable);

// Creates this process's private scratch root (mkdtemp, mode 0700) and returns
// it, ending in "/". The same root is returned on later calls; it is removed
// with everything in it when the process exits normally.
std::string CreateScratchRoot();

// The folder CreateScratchRoot makes its root in: the first of
// $XDG_RUNTIME_DIR and /dev/shm that is an absolute folder this process may
// write to (both are held in memory on usual systems, where creating and
// deleting files costs little); else $TMPDIR when it is set and not empty;
// else /tmp.
std::string ScratchBaseFolder();

// The same choice among the given in-memory candidates (empty ones are
// skipped), for tests.
std::string ScratchBaseFolderAmong(const std::vector<std::string>& inMemoryCandidates);

// Creates a new private root (mode 0700) inside baseFolder, ending in "/", and
// has it removed with everything in it when the process exits normally. Every
// call makes another root. Throws std::runtime_error when it cannot be made.
std::string CreateScratchRootIn(const std::string& baseFolder);

}  // namespace vorlan
