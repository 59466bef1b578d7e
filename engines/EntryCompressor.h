// SPDX-License-Identifier: MIT
// The one place where a file's content becomes an entry's stored data, with
// the process's cache of compressed forms in front of the compressor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorlan::engine {

struct CompressedEntry {
    std::vector<std::uint8_t> data;  // a raw deflate stream, or the bytes themselves when stored
    std::int32_t method = 0;         // ZIP_CM_DEFLATE, or ZIP_CM_STORE at level 0
    std::uint32_t crc = 0;
    std::uint64_t size = 0;  // of the content
};

class CompressedFormCache;

using ProgressReport = std::function<void(std::uint64_t)>;

// Reads the open file to its end and gives its stored data at level (0
// stores; 1 to 9 deflate). sizeHint: the size the file had when it was
// opened (reading does not rely on it). progress is told the bytes of each
// piece read.
// A content the cache holds is not compressed again: its kept form is
// given, byte for byte what compressing would give. cache may be null.
// displayName names the file in failure messages (EngineError).
std::shared_ptr<const CompressedEntry> CompressFile(int fd, std::uint64_t sizeHint, int level,
                                                    const ProgressReport& progress, const std::string& displayName,
                                                    CompressedFormCache* cache);

// The same for a content already read: progress is told its size piece by
// piece as if it were read now.
std::shared_ptr<const CompressedEntry> CompressContent(std::span<const std::uint8_t> content, int level,
                                                       const ProgressReport& progress, CompressedFormCache* cache);

// Tells progress a content's size piece by piece, as reading it would.
void ReportPieces(std::uint64_t size, const ProgressReport& progress);

// Compresses bytes held in memory at level, as CompressFile would.
CompressedEntry CompressBytes(std::span<const std::uint8_t> content, int level);

}  // namespace vorlan::engine
