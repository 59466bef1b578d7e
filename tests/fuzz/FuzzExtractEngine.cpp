// SPDX-License-Identifier: MIT
// libFuzzer's entry for the extract engine check (see FuzzChecks.h).
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vorlan::fuzz::CheckExtractEngine(data, size);
}
