// SPDX-License-Identifier: MIT
// One entry's data read as a phone's zip reader reads it, stored or
// deflated, in bounded pieces: never more than the size its record states
// is produced, and nothing of that size is set aside before it is.
#pragma once

#include <cstdint>
#include <string>

#include "suitecheck/JarFile.h"

namespace vorlan {

struct StatedData {
    std::uint64_t start = 0;  // file offset of the data, after its local record
    std::uint16_t method = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
};

// The CRC-32 of the entry's content, which is checked to be as long as
// stated; content, when given (empty), receives it. Throws std::runtime_error
// saying why the data is unsound.
std::uint32_t ReadEntryData(JarFile& file, const StatedData& data, std::string* content);

}  // namespace vorlan
