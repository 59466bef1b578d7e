// SPDX-License-Identifier: MIT
// The engines' callback: progress reports, the batch counters, the component's
// events, the progress dialog and the questions an engine asks the user.
#pragma once

#include <cstdint>
#include <string>

#include "zip/TZip.h"

namespace vorlan {

// The running counters of the current engine batch: one set per process,
// shared by every component (one engine call runs at a time).
struct BatchCounters {
    std::string CurrentFile;
    std::int32_t BatchCount = 0;
    std::int32_t TotalBytesInBatch = 0;
    std::int32_t BatchBytesDone = 0;
    std::int32_t SkippedCount = 0;
};

BatchCounters& EngineBatchCounters();

// The callback's results.
constexpr std::int32_t kCallbackContinue = 0;
constexpr std::int32_t kCallbackStop = -1;

// The longest password the prompt accepts; with its terminator it stays well
// inside the record's 512-byte Text.
constexpr int kPasswordMaxLength = 255;

}  // namespace vorlan
