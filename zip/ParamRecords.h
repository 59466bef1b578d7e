// SPDX-License-Identifier: MIT
// Filling the engines' parameter records from a component's settings: the
// fixed values and the switches that the option sets turn on.
#pragma once

#include <cstdint>

#include "zip/EngineRecords.h"

namespace vorlan {

class TZip;

// A switch in a record: -1 for on, 0 for off.
constexpr std::int32_t kSwitchOn = -1;
constexpr std::int32_t kSwitchOff = 0;

// Fills the fixed and option fields of a zero-filled record. The archive
// name, password and file patterns are the operation's to set.
void InitUnzipParams(TUnzipParams& params, TZip& zip);

// As InitUnzipParams, for the add engine. It also makes an existing AddBaseDir
// the current directory (std::system_error when that fails).
void InitZipParams(TZipParams& params, TZip& zip);

}  // namespace vorlan
