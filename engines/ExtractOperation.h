// SPDX-License-Identifier: MIT
// The extract engine's operation: writes the entries a TUnzipParams selects
// below the process's current directory.
#pragma once

#include <cstdint>

#include "engines/CallbackChannel.h"
#include "zip/EngineRecords.h"

namespace vorlan::engine {

// One extraction's total output is capped: suites and API archives are a few
// megabytes, and the scratch folder they go to may be held in memory.
constexpr std::uint64_t kExtractionOutputCap = 64ull * 1024 * 1024;

// Runs the whole extraction and returns the number of files written (also
// when it ends early). Everything else reaches the caller through channel.
std::int32_t RunExtraction(const TUnzipParams& params, CallbackChannel& channel);

}  // namespace vorlan::engine
