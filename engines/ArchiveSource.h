// SPDX-License-Identifier: MIT
// The zip source libzip reads an archive through: a window of the archive's
// file that starts where the archive's offsets count from (so data in front
// of it is invisible to libzip) and ends after its end record. With a
// ReplacementFile it is also the write side libzip writes a new archive to:
// the data in front (a stub) is copied there first, and libzip, which takes
// every offset it stores from the write position, writes the archive after
// it with offsets that count from the file's start.
#pragma once

#include <zip.h>

#include <cstdint>
#include <string>

#include "engines/ArchiveFile.h"
#include "engines/ReplacementFile.h"

namespace vorlan::engine {

class ArchiveSource {
public:
    // file may be null: a missing archive reads as an empty file.
    ArchiveSource(ArchiveFile* file, std::uint64_t start, std::uint64_t end, ReplacementFile* writer = nullptr);
    ~ArchiveSource();
    ArchiveSource(const ArchiveSource&) = delete;
    ArchiveSource& operator=(const ArchiveSource&) = delete;

    // A new libzip source over this object, which must outlive it.
    zip_source_t* Create();

    // The first frontLength bytes of the file go in front of the new archive
    // unchanged.
    void KeepInFront(std::uint64_t frontLength) { frontLength_ = frontLength; }

    // The comment an archive left without entries keeps (libzip removes such
    // an archive; it is rewritten empty instead).
    void SetCommentWhenEmpty(std::string comment) { commentWhenEmpty_ = std::move(comment); }

    // The message of the last failure seen here, empty when there was none.
    const std::string& Failure() const { return failure_; }

private:
    static zip_int64_t Dispatch(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t HandleWrite(void* data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t Read(void* data, zip_uint64_t length);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    zip_int64_t Supports() const;
    void BeginWrite();

    ArchiveFile* file_;
    std::uint64_t start_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
    std::uint64_t frontLength_ = 0;
    ReplacementFile* writer_;
    std::string commentWhenEmpty_;
    std::string failure_;
    zip_error_t error_{};
};

}  // namespace vorlan::engine
