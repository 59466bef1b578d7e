// The one place where a file's content becomes an entry's stored data. Kept
// apart so that a cache of compressed forms keyed by content can sit here
// without touching anything else.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlan::engine {

struct CompressedEntry {
    std::vector<std::uint8_t> data;  // a raw deflate stream, or the bytes themselves when stored
    std::int32_t method = 0;         // ZIP_CM_DEFLATE, or ZIP_CM_STORE at level 0
    std::uint32_t crc = 0;
    std::uint64_t size = 0;          // of the content
};

// Reads the open file to its end and compresses it at level (0 stores; 1 to
// 9 deflate). progress is told the bytes of each piece read. displayName
// names the file in failure messages (EngineError).
CompressedEntry CompressFile(int fd, int level, const std::function<void(std::uint64_t)>& progress,
                             const std::string& displayName);

}  // namespace vorlan::engine
