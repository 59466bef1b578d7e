// SPDX-License-Identifier: MIT
// Reading one entry's data without trusting it: encrypted
// entries get the password given or asked for, the data is read until
// zip_fread reports its end and zip_fclose is checked (or a CRC error goes
// unseen), and no entry ever yields more than its stated size (libzip does
// not stop a deflated entry there).
#pragma once

#include <zip.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engines/CallbackChannel.h"

namespace vorlan::engine {

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFileHandle = std::unique_ptr<zip_file_t, ZipFileCloser>;

// One entry's data being read, from libzip or straight from the archive.
class EntryStream {
public:
    virtual ~EntryStream() = default;
    // Up to count bytes, fewer only at the end of the data (0 there); -1 when
    // the data cannot be read or inflated, or (once its last bytes were
    // handed out) fails its CRC or size.
    virtual std::int64_t Read(std::uint8_t* destination, std::size_t count) = 0;
    // Ends the reading: false when it failed.
    virtual bool Close() = 0;
};
using EntryStreamHandle = std::unique_ptr<EntryStream>;

enum class DataCondition { Good, Damaged };

class EntryReader {
public:
    EntryReader(zip_t* archive, CallbackChannel& channel, const char* password);

    // Opens the entry for reading. An encrypted entry is tried with the last
    // password that worked (at first the one given), then with passwords the
    // caller is asked for, a few times. Nothing when no password opens it;
    // EntryFailed when libzip cannot read the entry at all.
    EntryStreamHandle Open(std::uint64_t index, std::string_view name, bool encrypted);

    // Hands the data to sink in pieces, at most statedSize bytes in all, and
    // reports each piece as progress. Damaged when the data fails its CRC,
    // cannot be inflated, ends early or goes on past statedSize. The handle
    // is closed on return. The stream may come from elsewhere than Open.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;
    DataCondition Copy(EntryStreamHandle stream, std::uint64_t statedSize, const Sink& sink);

private:
    bool Decryptable(std::uint64_t index) const;
    zip_file_t* TryPassword(std::uint64_t index, const std::string& password, std::string_view name);

    zip_t* archive_;
    CallbackChannel& channel_;
    std::optional<std::string> password_;
    // Left uninitialised: zeroing 64 KiB for every extraction cost more than
    // reading a manifest through it.
    std::unique_ptr<std::uint8_t[]> buffer_;
};

}  // namespace vorlan::engine
