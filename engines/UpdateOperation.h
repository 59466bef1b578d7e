// SPDX-License-Identifier: MIT
// The add engine's operation: adds the files a TZipParams selects into its
// archive (or deletes the entries it selects), writing a new archive beside
// the old one and renaming it into place.
#pragma once

#include <cstdint>

#include "engines/CallbackChannel.h"
#include "zip/EngineRecords.h"

namespace vorlan::engine {

// Runs the whole update and returns the number of files added, replaced or
// kept as identical (or of entries deleted); 0 when it failed or was
// stopped, and then the archive is exactly as it was.
std::int32_t RunUpdate(const TZipParams& params, CallbackChannel& channel);

}  // namespace vorlan::engine
