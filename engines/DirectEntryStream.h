// SPDX-License-Identifier: MIT
// Reading a stored or deflated entry's data straight from the archive file,
// for extractions whose archive libzip would read alike (see
// ArchiveLayout::ReadAlikeByLibzip): parsing the whole directory once more in
// libzip would only repeat what the engine has read and judged. The data
// comes out as libzip's reading gives it: in full pieces, checked against
// the CRC and size of the central record when its end is reached (the
// bytes of the last read handed out before the failure), a read or inflate
// failure reported instead of the bytes of the read it ended.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/ArchiveFile.h"
#include "engines/CentralDirectory.h"
#include "engines/EntryReader.h"

namespace vorlan::engine {

// Whether the entry's data can be read here: not encrypted, stored or deflated.
bool ReadableDirectly(const RawEntry& entry);

class DirectEntryStream final : public EntryStream {
public:
    // dataStart: the file offset right after the entry's local record;
    // archiveEnd: where the archive ends in the file (libzip reads no further).
    DirectEntryStream(ArchiveFile& file, std::uint64_t dataStart, std::uint64_t archiveEnd, const RawEntry& entry);
    ~DirectEntryStream() override;
    DirectEntryStream(const DirectEntryStream&) = delete;
    DirectEntryStream& operator=(const DirectEntryStream&) = delete;

    std::int64_t Read(std::uint8_t* destination, std::size_t count) override;
    bool Close() override { return !failed_; }

private:
    bool Fill(std::uint8_t* destination, std::size_t count, std::size_t& done);
    bool Inflate(std::uint8_t* destination, std::size_t count, std::size_t& done);
    bool TakeInput();
    bool TakeStored(std::uint8_t* destination, std::size_t count, std::size_t& taken);

    ArchiveFile& file_;
    std::uint64_t next_;  // the file offset of the next stored byte
    std::uint64_t left_;  // stored bytes not read yet
    const std::uint64_t archiveEnd_;
    const bool deflated_;
    const std::uint32_t statedCrc_;
    const std::uint64_t statedSize_;
    const bool storesNothing_;
    z_stream inflater_{};
    std::vector<std::uint8_t> input_;
    std::uint32_t crc_ = 0;
    std::uint64_t produced_ = 0;
    bool ended_ = false;
    bool storedCutShort_ = false;  // the stored bytes run past the archive's end
    bool failed_ = false;
};

}  // namespace vorlan::engine
