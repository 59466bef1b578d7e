// SPDX-License-Identifier: MIT
// libFuzzer's entry for the text form check (see FuzzChecks.h).
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return vorlan::fuzz::CheckTextForm(data, size);
}
