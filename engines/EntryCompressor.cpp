// Deflating one file with zlib, a stream kept for the life of the process.
#include "engines/EntryCompressor.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>

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
    z_stream& startFile(int level) {
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

void Deflate(z_stream& stream, const std::uint8_t* input, std::size_t length, int flush, std::vector<std::uint8_t>& out) {
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

std::size_t ReadPiece(int fd, std::uint8_t* buffer, const std::string& displayName) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, kPieceSize);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) throw EngineError(SystemErrorText("Cannot read \"" + displayName + "\"", errno));
    }
}

// The spare stream is lent out, never shared: the progress callback may run
// the caller's event loop, and an operation started from there gets a
// stream of its own instead of the one in use.
class BorrowedStream {
public:
    BorrowedStream() : stream_(std::move(Spare())) {
        if (!stream_) stream_ = std::make_unique<DeflateStream>();
    }
    ~BorrowedStream() { Spare() = std::move(stream_); }
    BorrowedStream(const BorrowedStream&) = delete;
    BorrowedStream& operator=(const BorrowedStream&) = delete;
    DeflateStream& operator*() { return *stream_; }

private:
    static std::unique_ptr<DeflateStream>& Spare() {
        thread_local std::unique_ptr<DeflateStream> spare;
        return spare;
    }
    std::unique_ptr<DeflateStream> stream_;
};

}  // namespace

CompressedEntry CompressFile(int fd, int level, const std::function<void(std::uint64_t)>& progress,
                             const std::string& displayName) {
    BorrowedStream deflater;
    CompressedEntry entry;
    entry.method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    z_stream* stream = level == 0 ? nullptr : &(*deflater).startFile(std::clamp(level, 1, 9));
    struct stat status {};
    if (::fstat(fd, &status) == 0 && status.st_size > 0)
        entry.data.reserve(static_cast<std::size_t>(stream ? deflateBound(stream, static_cast<uLong>(status.st_size)) : static_cast<uLong>(status.st_size)));
    std::vector<std::uint8_t> piece(kPieceSize);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        const std::size_t got = ReadPiece(fd, piece.data(), displayName);
        crc = crc32(crc, piece.data(), static_cast<uInt>(got));
        entry.size += got;
        if (stream) Deflate(*stream, piece.data(), got, got == 0 ? Z_FINISH : Z_NO_FLUSH, entry.data);
        else entry.data.insert(entry.data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
        if (got == 0) break;
        progress(got);
    }
    if (entry.size == 0) progress(0);
    entry.crc = static_cast<std::uint32_t>(crc);
    return entry;
}

}  // namespace vorlan::engine
