// SPDX-License-Identifier: MIT
// Deflating one file with zlib, a stream kept for the life of the process,
// and the cache of compressed forms asked first.
#include "engines/EntryCompressor.h"

#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "engines/CompressedFormCache.h"
#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

constexpr std::size_t kPieceSize = 64 * 1024;
constexpr int kRawDeflateWindow = -15;  // no zlib header: zip entries hold the bare stream
constexpr int kMemoryLevel = 8;

// A deflate stream reused between files: a batch compresses thousands of
// small files, and setting a stream up costs more than many of them.
class DeflateStream {
public:
    ~DeflateStream() {
        if (ready_) deflateEnd(&stream_);
    }
    z_stream& StartFile(int level) {
        if (ready_ && level != level_) {
            deflateEnd(&stream_);
            ready_ = false;
        }
        if (!ready_) {
            stream_ = z_stream{};
            if (deflateInit2(&stream_, level, Z_DEFLATED, kRawDeflateWindow, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
                throw EngineError("Cannot start compressing: out of memory");
            ready_ = true;
            level_ = level;
        }
        deflateReset(&stream_);
        return stream_;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
    int level_ = 0;
};

// A file's bytes as read, in a buffer that keeps its size between files so
// that it is neither allocated nor cleared for each of them.
struct ReadBuffer {
    std::vector<std::uint8_t> bytes;
    std::size_t length = 0;
    std::span<const std::uint8_t> Content() const { return {bytes.data(), length}; }
};

// A spare object, lent out and never shared: the progress callback may run
// the caller's event loop, and an operation started from there gets an
// object of its own instead of the one in use. The engines run on their
// caller's one thread; a thread_local here (in a module that is loaded and
// unloaded) left a stale thread-local block that made LeakSanitizer's exit
// check crash.
template <typename Kept>
class Borrowed {
public:
    Borrowed() : kept_(std::move(Spare())) {
        if (!kept_) kept_ = std::make_unique<Kept>();
    }
    ~Borrowed() { Spare() = std::move(kept_); }
    Borrowed(const Borrowed&) = delete;
    Borrowed& operator=(const Borrowed&) = delete;
    Kept& operator*() { return *kept_; }

private:
    static std::unique_ptr<Kept>& Spare() {
        static std::unique_ptr<Kept> spare;
        return spare;
    }
    std::unique_ptr<Kept> kept_;
};

void Deflate(z_stream& stream, const std::uint8_t* input, std::size_t length, int flush,
             std::vector<std::uint8_t>& out) {
    stream.next_in = const_cast<Bytef*>(input);  // zlib's interface is not const-correct
    stream.avail_in = static_cast<uInt>(length);
    do {
        if (out.capacity() - out.size() < kPieceSize) out.reserve(out.capacity() * 2 + kPieceSize);
        const std::size_t before = out.size();
        out.resize(out.capacity());
        stream.next_out = out.data() + before;
        stream.avail_out = static_cast<uInt>(out.size() - before);
        const int result = deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        if (result == Z_STREAM_ERROR) throw EngineError("Compression failed");
    } while (stream.avail_out == 0 || (flush == Z_FINISH && stream.avail_in > 0));
}

std::size_t ReadPiece(int fd, std::uint8_t* buffer, const std::string& displayName, std::size_t count = kPieceSize) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, count);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw EngineError(SystemErrorText("Cannot read \"" + displayName + "\"", errno));
    }
}

// Reads and compresses piece by piece: for files too large to keep whole
// in memory twice over.
CompressedEntry CompressStreaming(int fd, int level, const ProgressReport& progress, const std::string& displayName,
                                  std::uint64_t sizeHint) {
    Borrowed<DeflateStream> deflater;
    CompressedEntry entry;
    entry.method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    z_stream* stream = level == 0 ? nullptr : &(*deflater).StartFile(level);
    if (sizeHint > 0)
        entry.data.reserve(
            static_cast<std::size_t>(stream ? deflateBound(stream, static_cast<uLong>(sizeHint)) : sizeHint));
    std::vector<std::uint8_t> piece(kPieceSize);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        const std::size_t got = ReadPiece(fd, piece.data(), displayName);
        crc = crc32(crc, piece.data(), static_cast<uInt>(got));
        entry.size += got;
        if (stream)
            Deflate(*stream, piece.data(), got, got == 0 ? Z_FINISH : Z_NO_FLUSH, entry.data);
        else
            entry.data.insert(entry.data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
        if (got == 0) break;
        progress(got);
    }
    if (entry.size == 0) progress(0);
    entry.crc = static_cast<std::uint32_t>(crc);
    return entry;
}

// The whole file into the buffer, read piece by piece as the streaming path
// reads it. A read that comes back short just when the size expected is
// reached has met the end of the (regular) file: no further read is needed
// to see it.
void ReadWhole(int fd, ReadBuffer& buffer, const ProgressReport& progress, const std::string& displayName,
               std::uint64_t expectedSize) {
    buffer.length = 0;
    for (;;) {
        // One byte beyond the size expected, so that a file grown meanwhile shows.
        const std::size_t wanted = std::max<std::size_t>(buffer.length, static_cast<std::size_t>(expectedSize)) + 1;
        if (buffer.bytes.size() < wanted) buffer.bytes.resize(std::max(wanted, buffer.length + kPieceSize));
        const std::size_t room = std::min(kPieceSize, buffer.bytes.size() - buffer.length);
        const std::size_t got = ReadPiece(fd, buffer.bytes.data() + buffer.length, displayName, room);
        buffer.length += got;
        if (got > 0) progress(got);
        if (got == 0 || (got < room && buffer.length == expectedSize)) break;
    }
    if (buffer.length == 0) progress(0);
}

std::uint32_t Crc32Of(std::span<const std::uint8_t> content) {
    uLong crc = crc32(0, nullptr, 0);
    for (std::size_t done = 0; done < content.size();) {
        const std::size_t part = std::min<std::size_t>(content.size() - done, 1u << 30);
        crc = crc32(crc, content.data() + done, static_cast<uInt>(part));
        done += part;
    }
    return static_cast<std::uint32_t>(crc);
}

// A whole content deflated in one call, into a buffer deflateBound makes
// large enough, so that nothing is zero-filled or copied twice.
std::vector<std::uint8_t> DeflateWhole(z_stream& stream, std::span<const std::uint8_t> content) {
    const uLong bound = deflateBound(&stream, static_cast<uLong>(content.size()));
    const auto out = std::make_unique_for_overwrite<std::uint8_t[]>(bound);
    stream.next_in = const_cast<Bytef*>(content.data());  // zlib's interface is not const-correct
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = out.get();
    stream.avail_out = static_cast<uInt>(bound);
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw EngineError("Compression failed");
    return std::vector<std::uint8_t>(out.get(), out.get() + stream.total_out);
}

int EffectiveLevel(int level) {
    return level == 0 ? 0 : std::clamp(level, 1, 9);
}

}  // namespace

CompressedEntry CompressBytes(std::span<const std::uint8_t> content, int level) {
    CompressedEntry entry;
    level = EffectiveLevel(level);
    entry.method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    entry.crc = Crc32Of(content);
    entry.size = content.size();
    if (level == 0) {
        entry.data.assign(content.begin(), content.end());
        return entry;
    }
    Borrowed<DeflateStream> deflater;
    entry.data = DeflateWhole((*deflater).StartFile(level), content);
    return entry;
}

namespace {

std::shared_ptr<const CompressedEntry> FormOf(std::span<const std::uint8_t> content, int level,
                                              CompressedFormCache* cache) {
    if (cache != nullptr)
        if (std::shared_ptr<const CompressedEntry> kept = cache->Find(content, level)) return kept;
    auto form = std::make_shared<const CompressedEntry>(CompressBytes(content, level));
    if (cache != nullptr) cache->Insert(std::vector<std::uint8_t>(content.begin(), content.end()), form, level);
    return form;
}

}  // namespace

std::shared_ptr<const CompressedEntry> CompressFile(int fd, std::uint64_t sizeHint, int level,
                                                    const ProgressReport& progress, const std::string& displayName,
                                                    CompressedFormCache* cache) {
    level = EffectiveLevel(level);
    // Stored entries gain nothing from a cache; large files are not kept.
    if (cache == nullptr || level == 0 || !cache->Accepts(static_cast<std::size_t>(sizeHint)))
        return std::make_shared<const CompressedEntry>(CompressStreaming(fd, level, progress, displayName, sizeHint));
    Borrowed<ReadBuffer> buffer;
    ReadWhole(fd, *buffer, progress, displayName, sizeHint);
    return FormOf((*buffer).Content(), level, cache);
}

void ReportPieces(std::uint64_t size, const ProgressReport& progress) {
    for (std::uint64_t done = 0; done < size; done += kPieceSize)
        progress(std::min<std::uint64_t>(kPieceSize, size - done));
    if (size == 0) progress(0);
}

std::shared_ptr<const CompressedEntry> CompressContent(std::span<const std::uint8_t> content, int level,
                                                       const ProgressReport& progress, CompressedFormCache* cache) {
    level = EffectiveLevel(level);
    ReportPieces(content.size(), progress);
    if (level == 0 || (cache != nullptr && !cache->Accepts(content.size()))) cache = nullptr;
    return FormOf(content, level, cache);
}

}  // namespace vorlan::engine
