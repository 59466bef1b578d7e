// SPDX-License-Identifier: MIT
// Reading and inflating an entry's data piece by piece.
#include "suitecheck/EntryData.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vorlan {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

// The stored bytes, read a piece at a time.
class StoredBytes {
public:
    StoredBytes(JarFile& file, const StatedData& data) : file_(file), next_(data.start), left_(data.compressedSize) {}

    bool Done() const { return left_ == 0; }
    std::span<const std::uint8_t> Next() {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left_, kPiece));
        piece_.resize(count);
        if (!file_.ReadAt(next_, piece_.data(), count)) throw std::runtime_error("its data cannot be read");
        next_ += count;
        left_ -= count;
        return piece_;
    }

private:
    JarFile& file_;
    std::uint64_t next_;
    std::uint64_t left_;
    std::vector<std::uint8_t> piece_;
};

class Inflater {
public:
    Inflater() {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::runtime_error("zlib cannot start");
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
};

[[noreturn]] void NotAsStated() {
    throw std::runtime_error("its deflated data does not inflate to the stated size");
}

void Append(std::string* content, const std::uint8_t* bytes, std::size_t count) {
    if (content != nullptr) content->append(reinterpret_cast<const char*>(bytes), count);
}

std::uint32_t Copy(StoredBytes& stored, std::string* content) {
    uLong crc = crc32(0, Z_NULL, 0);
    while (!stored.Done()) {
        const auto piece = stored.Next();
        crc = crc32(crc, piece.data(), static_cast<uInt>(piece.size()));
        Append(content, piece.data(), piece.size());
    }
    return static_cast<std::uint32_t>(crc);
}

// Each piece inflated leaves room for at most one byte past the stated
// size: that byte already shows that the data is longer than stated.
std::uint32_t Inflate(StoredBytes& stored, std::uint64_t statedSize, std::string* content) {
    Inflater inflater;
    z_stream& stream = inflater.Stream();
    std::vector<std::uint8_t> out(kPiece);
    std::uint64_t produced = 0;
    uLong crc = crc32(0, Z_NULL, 0);
    for (int result = Z_OK; result != Z_STREAM_END;) {
        if (stream.avail_in == 0 && !stored.Done()) {
            const auto piece = stored.Next();
            stream.next_in = const_cast<Bytef*>(piece.data());
            stream.avail_in = static_cast<uInt>(piece.size());
        }
        const auto room = static_cast<uInt>(std::min<std::uint64_t>(out.size(), statedSize + 1 - produced));
        stream.next_out = out.data();
        stream.avail_out = room;
        result = inflate(&stream, Z_NO_FLUSH);
        const uInt got = room - stream.avail_out;
        const bool stuck = result == Z_BUF_ERROR && got == 0 && stream.avail_in == 0 && stored.Done();
        if (stuck || (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)) NotAsStated();
        produced += got;
        if (produced > statedSize) NotAsStated();
        crc = crc32(crc, out.data(), got);
        Append(content, out.data(), got);
    }
    if (produced != statedSize) NotAsStated();
    return static_cast<std::uint32_t>(crc);
}

}  // namespace

std::uint32_t ReadEntryData(JarFile& file, const StatedData& data, std::string* content) {
    if (data.start > file.Size() || data.compressedSize > file.Size() - data.start)
        throw std::runtime_error("its data runs past the end of the file");
    StoredBytes stored(file, data);
    if (data.method == 0) {
        if (data.compressedSize != data.uncompressedSize) throw std::runtime_error("stored, but its sizes differ");
        return Copy(stored, content);
    }
    if (data.method == 8) return Inflate(stored, data.uncompressedSize, content);
    throw std::runtime_error("compression method " + std::to_string(data.method) +
                             " (phones read only stored and deflated entries)");
}

}  // namespace vorlan
