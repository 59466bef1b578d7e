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

}  // namespace vorlan
