// SPDX-License-Identifier: MIT
// The zip source of a file being added. Nothing is read when the entry is
// registered: libzip asks for the data while it writes the new archive, and
// only then is the file opened (unless the folder walk read it already),
// announced to the caller (code 1), read
// (code 2 for each piece), compressed or found in the process's cache of
// compressed forms, and handed over already compressed, so libzip copies it
// as it is. Beyond the cache, memory holds one file's compressed form at a time.
#pragma once

#include <zip.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engines/CallbackChannel.h"
#include "engines/EntryCompressor.h"
#include "engines/FileCollector.h"

namespace vorlan::engine {

// What went wrong inside libzip's write, for the operation to report.
struct WriteFailure {
    bool stopped = false;
    std::string message;
};

class PendingFileSource {
public:
    PendingFileSource(CollectedFile file, int level, CallbackChannel& channel, WriteFailure& failure);
    PendingFileSource(const PendingFileSource&) = delete;
    PendingFileSource& operator=(const PendingFileSource&) = delete;

    // A libzip source reading this object, which must outlive the archive.
    zip_source_t* Create(zip_t* archive);
    // Its names, size and time; its content goes once it is compressed.
    const CollectedFile& File() const { return file_; }

private:
    static zip_int64_t Dispatch(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    void Compress();
    void Keep(std::shared_ptr<const CompressedEntry> form);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    zip_int64_t Read(void* data, zip_uint64_t length);

    CollectedFile file_;
    int level_;
    CallbackChannel& channel_;
    WriteFailure& failure_;
    std::shared_ptr<const CompressedEntry> compressed_;  // until libzip has written it
    bool compressedOnce_ = false;
    std::int32_t method_ = 0;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t compressedSize_ = 0;
    std::size_t position_ = 0;
    zip_error_t error_{};
};

}  // namespace vorlan::engine
