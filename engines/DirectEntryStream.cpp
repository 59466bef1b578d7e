// SPDX-License-Identifier: MIT
// Stored and deflated data read from the archive file, checked at its end.
#include "engines/DirectEntryStream.h"

#include <algorithm>
#include <climits>

#include "engines/EngineErrors.h"
#include "zipformat/Utf8.h"

namespace vorlan::engine {

namespace {

constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
// The stored bytes are taken in pieces that the archive file's window serves.
constexpr std::size_t kInputPiece = 8 * 1024;

}  // namespace

bool ReadableDirectly(const RawEntry& entry) {
    const bool encrypted = (entry.flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0;
    return !encrypted && (entry.method == kStored || entry.method == kDeflated);
}

DirectEntryStream::DirectEntryStream(ArchiveFile& file, std::uint64_t dataStart, std::uint64_t archiveEnd,
                                     const RawEntry& entry)
    : file_(file),
      next_(dataStart),
      left_(entry.compressedSize),
      archiveEnd_(archiveEnd),
      deflated_(entry.method == kDeflated),
      statedCrc_(entry.crc),
      statedSize_(entry.uncompressedSize),
      storesNothing_(entry.compressedSize == 0) {
    if (deflated_ && inflateInit2(&inflater_, -MAX_WBITS) != Z_OK)
        throw EntryFailed("Cannot read \"" + EscapedEntryName(entry.name) + "\": the inflater cannot start");
}

DirectEntryStream::~DirectEntryStream() {
    if (deflated_) inflateEnd(&inflater_);
}

std::int64_t DirectEntryStream::Read(std::uint8_t* destination, std::size_t count) {
    if (failed_) return -1;
    // An entry that stores no bytes is empty, whatever its CRC and size say:
    // libzip checks nothing there, and the size is judged by the caller.
    if (storesNothing_) return 0;
    std::size_t done = 0;
    if (!Fill(destination, count, done)) {
        failed_ = true;  // what this read got before the failure is dropped, as libzip drops it
        return -1;
    }
    crc_ = static_cast<std::uint32_t>(crc32_z(crc_, destination, done));
    produced_ += done;
    // Stored bytes cut short by the archive's end, and data that fails its
    // check at its end, are handed out before the failure, as libzip does.
    const bool cutShort = !deflated_ && storedCutShort_;
    if (!cutShort && (!ended_ || (produced_ == statedSize_ && crc_ == statedCrc_)))
        return static_cast<std::int64_t>(done);
    failed_ = true;
    return done > 0 ? static_cast<std::int64_t>(done) : -1;
}

// Up to count bytes into destination, fewer only at the data's end or where
// the stored bytes are cut short; false when they cannot be read or do not
// inflate.
bool DirectEntryStream::Fill(std::uint8_t* destination, std::size_t count, std::size_t& done) {
    if (deflated_) return Inflate(destination, count, done);
    if (!TakeStored(destination, count, done)) return false;
    ended_ = left_ == 0 && done < count;
    return true;
}

// A stream that runs out of stored bytes before its end ends there; its
// size and CRC then tell whether anything is missing. Stored bytes cut short
// by the archive's end are inflated before the read fails.
bool DirectEntryStream::Inflate(std::uint8_t* destination, std::size_t count, std::size_t& done) {
    while (done < count && !ended_) {
        if (inflater_.avail_in == 0) {
            if (left_ == 0) {
                ended_ = true;
                break;
            }
            if (storedCutShort_ || !TakeInput()) return false;
        }
        const auto room = static_cast<uInt>(std::min<std::size_t>(count - done, UINT_MAX));
        inflater_.next_out = destination + done;
        inflater_.avail_out = room;
        const int status = inflate(&inflater_, Z_NO_FLUSH);
        done += room - inflater_.avail_out;
        if (status == Z_STREAM_END) {
            ended_ = true;
        } else if (status != Z_OK && !(status == Z_BUF_ERROR && inflater_.avail_in == 0)) {
            return false;
        }
    }
    return true;
}

bool DirectEntryStream::TakeInput() {
    input_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kInputPiece, left_)));
    std::size_t taken = 0;
    if (!TakeStored(input_.data(), input_.size(), taken)) return false;
    inflater_.next_in = input_.data();
    inflater_.avail_in = static_cast<uInt>(taken);
    return true;
}

// Up to count of the stored bytes, as many as lie before the archive's end
// (storedCutShort_ when that is fewer); false on a read error.
bool DirectEntryStream::TakeStored(std::uint8_t* destination, std::size_t count, std::size_t& taken) {
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, left_));
    const std::uint64_t readable = next_ < archiveEnd_ ? archiveEnd_ - next_ : 0;
    taken = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, readable));
    if (taken > 0 && !file_.ReadAt(next_, destination, taken)) return false;
    next_ += taken;
    left_ -= taken;
    storedCutShort_ = storedCutShort_ || taken < wanted;
    return true;
}

}  // namespace vorlan::engine
