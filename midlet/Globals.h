// SPDX-License-Identifier: MIT
// Process-wide state of the batch, set once at start-up by the window or by
// vorlan-batch and read by the batch, the descriptor writer and the fix builder.
#pragma once

#include <memory>
#include <string>

namespace vorlan {

class TextLines;

// The API folder, ending in "/": the executable's folder followed by "API/",
// unless vorlan-batch is told another.
extern std::string ApiFolder;

// The user's API folder, ending in "/", whose archives join the catalogue
// after ApiFolder's (see ApiCatalogue.h); empty when there is none.
extern std::string UserApiFolder;

// The private scratch root of this process, ending in "/"; the scratch folder
// is ScratchRoot + "vorlan".
extern std::string ScratchRoot;

// The fix template: the executable's folder followed by "/fix.jar", unless
// vorlan-batch is told another.
extern std::string FixTemplatePath;

// The one list of text lines through which every manifest and descriptor
// passes. Created empty at start-up, lives until the process ends.
extern std::unique_ptr<TextLines> ManifestBuffer;

}  // namespace vorlan
