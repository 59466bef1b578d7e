// Where this process finds its own files and keeps its scratch files.
#pragma once

#include <string>

namespace vorlan {

// The folder of the running executable (from /proc/self/exe), ending in "/".
std::string ExecutableFolder();

// Creates this process's private scratch root (mkdtemp, mode 0700) and returns
// it, ending in "/". The same root is returned on later calls; it is removed
// with everything in it when the process exits normally.
std::string CreateScratchRoot();

// The folder CreateScratchRoot makes its root in: $TMPDIR when it is set and
// not empty, else /tmp.
std::string ScratchBaseFolder();

// Creates a new private root (mode 0700) inside baseFolder, ending in "/", and
// has it removed with everything in it when the process exits normally. Every
// call makes another root. Throws std::runtime_error when it cannot be made.
std::string CreateScratchRootIn(const std::string& baseFolder);

}  // namespace vorlan
