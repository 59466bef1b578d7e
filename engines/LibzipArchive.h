// SPDX-License-Identifier: MIT
// An archive opened by libzip through an ArchiveSource, closed or discarded
// when the object goes, and checked to hold the very entries the engines'
// own reading of the directory found.
#pragma once

#include <zip.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engines/ArchiveSource.h"
#include "engines/CentralDirectory.h"

namespace vorlan::engine {

enum class OpenMode { ReadOnly, Update };

class LibzipArchive {
public:
    // Raises ArchiveRefused when libzip cannot open the archive.
    LibzipArchive(ArchiveSource& source, OpenMode mode, const std::string& displayName);
    ~LibzipArchive();
    LibzipArchive(const LibzipArchive&) = delete;
    LibzipArchive& operator=(const LibzipArchive&) = delete;

    zip_t* Get() const { return archive_; }

    // Raises ArchiveRefused when libzip's entries are not the stored ones
    // (another end record chosen, names or sizes read differently).
    void ConfirmEntries(const std::vector<RawEntry>& entries) const;

    // Writes the changes; raises EngineError with the reason on failure (the
    // write side has discarded the new archive by then).
    void Close();

private:
    ArchiveSource& source_;
    zip_t* archive_ = nullptr;
    std::string displayName_;
};

}  // namespace vorlan::engine
