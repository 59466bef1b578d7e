// SPDX-License-Identifier: MIT
// Reading and inflating an entry's data piece by piece.
#include "suitecheck/EntryData.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <vector>

namespace vorlan {

namespace {

constexpr std::size_t kPiece = 64 * 1024;
// Entries up to this size, stored and inflated, are inflated in one call
// from memory (most of a JAR: images, sounds, classes); larger ones are
// streamed a piece at a time so that no entry's size is ever set aside.
constexpr std::uint64_t kWholeEntry = 1024 * 1024;

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

// One inflater and output piece per thread, reset for each entry: a JAR
// holds hundreds of small entries, and setting up zlib's window and a
// fresh piece for each cost more than inflating most of them.
class Inflater {
public:
    Inflater() {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::runtime_error("zlib cannot start");
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    static Inflater& ForThisThread() {
        thread_local Inflater inflater;
        return inflater;
    }

    z_stream& Reset() {
        if (inflateReset(&stream_) != Z_OK) throw std::runtime_error("zlib cannot start");
        // What the last entry left unread points into a piece that is gone.
        stream_.next_in = Z_NULL;
        stream_.avail_in = 0;
        return stream_;
    }
    std::uint8_t* Piece() { return piece_.get(); }

private:
    z_stream stream_{};
    std::unique_ptr<std::uint8_t[]> piece_ = std::make_unique_for_overwrite<std::uint8_t[]>(kPiece);
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

// The compressed bytes and the content of one small entry, with a
// decompressor, kept per thread from one entry to the next.
class WholeInflater {
public:
    WholeInflater() : decompressor_(libdeflate_alloc_decompressor()) {
        if (decompressor_ == nullptr) throw std::bad_alloc();
    }
    ~WholeInflater() { libdeflate_free_decompressor(decompressor_); }
    WholeInflater(const WholeInflater&) = delete;
    WholeInflater& operator=(const WholeInflater&) = delete;

    static WholeInflater& ForThisThread() {
        thread_local WholeInflater inflater;
        return inflater;
    }

    // Exactly statedSize bytes of content, or why not: a stream that ends
    // early, runs on past that size or is not deflate data. The content goes
    // straight into into when given (what it held is replaced), else into a
    // buffer of this object's.
    std::span<const std::uint8_t> Inflate(JarFile& file, const StatedData& data, std::string* into) {
        if (data.compressedSize == 0) NotAsStated();  // not even an empty deflate stream
        compressed_.resize(static_cast<std::size_t>(data.compressedSize));
        const auto size = static_cast<std::size_t>(data.uncompressedSize);
        std::uint8_t* out = nullptr;
        if (into != nullptr) {
            into->resize(size);
            out = reinterpret_cast<std::uint8_t*>(into->data());
        } else {
            content_.resize(size);
            out = content_.data();
        }
        if (!file.ReadAt(data.start, compressed_.data(), compressed_.size()))
            throw std::runtime_error("its data cannot be read");
        const libdeflate_result result =
            libdeflate_deflate_decompress(decompressor_, compressed_.data(), compressed_.size(), out, size, nullptr);
        if (result != LIBDEFLATE_SUCCESS) NotAsStated();
        return {out, size};
    }

private:
    libdeflate_decompressor* decompressor_;
    std::vector<std::uint8_t> compressed_;
    std::vector<std::uint8_t> content_;
};

std::uint32_t InflateWhole(JarFile& file, const StatedData& data, std::string* content) {
    const auto bytes = WholeInflater::ForThisThread().Inflate(file, data, content);
    return libdeflate_crc32(0, bytes.data(), bytes.size());
}

// Each piece inflated leaves room for at most one byte past the stated
// size: that byte already shows that the data is longer than stated.
std::uint32_t Inflate(StoredBytes& stored, std::uint64_t statedSize, std::string* content) {
    Inflater& inflater = Inflater::ForThisThread();
    z_stream& stream = inflater.Reset();
    std::uint8_t* const out = inflater.Piece();
    std::uint64_t produced = 0;
    uLong crc = crc32(0, Z_NULL, 0);
    for (int result = Z_OK; result != Z_STREAM_END;) {
        if (stream.avail_in == 0 && !stored.Done()) {
            const auto piece = stored.Next();
            stream.next_in = const_cast<Bytef*>(piece.data());
            stream.avail_in = static_cast<uInt>(piece.size());
        }
        const auto room = static_cast<uInt>(std::min<std::uint64_t>(kPiece, statedSize + 1 - produced));
        stream.next_out = out;
        stream.avail_out = room;
        result = inflate(&stream, Z_NO_FLUSH);
        const uInt got = room - stream.avail_out;
        const bool stuck = result == Z_BUF_ERROR && got == 0 && stream.avail_in == 0 && stored.Done();
        if (stuck || (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)) NotAsStated();
        produced += got;
        if (produced > statedSize) NotAsStated();
        crc = crc32(crc, out, got);
        Append(content, out, got);
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
    if (data.method == 8 && data.compressedSize <= kWholeEntry && data.uncompressedSize <= kWholeEntry)
        return InflateWhole(file, data, content);
    if (data.method == 8) return Inflate(stored, data.uncompressedSize, content);
    throw std::runtime_error("compression method " + std::to_string(data.method) +
                             " (phones read only stored and deflated entries)");
}

}  // namespace vorlan
