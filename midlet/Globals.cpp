// SPDX-License-Identifier: MIT
// The process-wide state of the batch.
#include "midlet/Globals.h"

#include "midlet/TextLines.h"

namespace vorlan {

std::string ApiFolder;
std::string UserApiFolder;
std::string ScratchRoot;
std::string FixTemplatePath;
std::unique_ptr<TextLines> ManifestBuffer;

}  // namespace vorlan
