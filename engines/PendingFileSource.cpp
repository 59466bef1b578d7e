// SPDX-License-Identifier: MIT
// Compressing a file on demand while libzip writes the archive.
#include "engines/PendingFileSource.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engines/CompressedFormCache.h"
#include "engines/EngineErrors.h"
#include "engines/SettledForms.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

PendingFileSource::PendingFileSource(CollectedFile file, int level, CallbackChannel& channel, WriteFailure& failure)
    : file_(std::move(file)), level_(level), channel_(channel), failure_(failure) {
    zip_error_init(&error_);
}

zip_source_t* PendingFileSource::Create(zip_t* archive) {
    zip_source_t* source = zip_source_function(archive, &PendingFileSource::Dispatch, this);
    if (source == nullptr) throw EngineError("Cannot add \"" + file_.diskPath + "\": " + zip_strerror(archive));
    return source;
}

// libzip is C: nothing may be thrown through it. A stop or a failure is
// recorded for the operation and libzip is told to give up the write.
zip_int64_t PendingFileSource::Dispatch(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* source = static_cast<PendingFileSource*>(self);
    try {
        return source->Handle(data, length, command);
    } catch (const OperationStopped&) {
        source->failure_.stopped = true;
        zip_error_set(&source->error_, ZIP_ER_CANCELLED, 0);
    } catch (const std::exception& failure) {
        source->failure_.message = failure.what();
        zip_error_set(&source->error_, ZIP_ER_READ, 0);
    } catch (...) {
        source->failure_.message = "unexpected failure";
        zip_error_set(&source->error_, ZIP_ER_INTERNAL, 0);
    }
    return -1;
}

void PendingFileSource::Compress() {
    const auto progress = [this](std::uint64_t bytes) { channel_.Progress(bytes); };
    if (file_.settledForm) {
        // Made from this very file before: the caller hears of it as if it were read.
        channel_.BeginFile(file_.storedName, file_.settledForm->size);
        ReportPieces(file_.settledForm->size, progress);
        Keep(std::move(file_.settledForm));
        return;
    }
    if (file_.content) {
        // Read when the folder walk found it.
        channel_.BeginFile(file_.storedName, file_.content->size());
        Keep(CompressContent(*file_.content, level_, progress, &ProcessCompressedFormCache()));
        file_.content.reset();
        if (file_.reading) ProcessSettledForms().Remember(file_.diskPath, *file_.reading, level_, compressed_);
        return;
    }
    // The last part is opened without following a link; the walk found a
    // regular file there and it must still be one (O_NONBLOCK: a FIFO put
    // there meanwhile must not hold the engine up).
    FileDescriptor fd(::open(file_.diskPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) throw EngineError(SystemErrorText("Cannot read \"" + file_.diskPath + "\"", errno));
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw EngineError("\"" + file_.diskPath + "\" is no longer a regular file");
    channel_.BeginFile(file_.storedName, static_cast<std::uint64_t>(status.st_size));
    Keep(CompressFile(fd.Get(), static_cast<std::uint64_t>(status.st_size), level_, progress, file_.diskPath,
                      &ProcessCompressedFormCache()));
}

void PendingFileSource::Keep(std::shared_ptr<const CompressedEntry> form) {
    compressed_ = std::move(form);
    compressedOnce_ = true;
    method_ = compressed_->method;
    crc_ = compressed_->crc;
    size_ = compressed_->size;
    compressedSize_ = compressed_->data.size();
}

zip_int64_t PendingFileSource::Stat(void* data, zip_uint64_t length) {
    auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
    if (status == nullptr) return -1;
    if (!compressedOnce_) Compress();
    zip_stat_init(status);
    status->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD |
                    ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_MTIME;
    status->size = size_;
    status->comp_size = compressedSize_;
    status->crc = crc_;
    status->comp_method = static_cast<zip_uint16_t>(method_);
    status->encryption_method = ZIP_EM_NONE;
    status->mtime = file_.modified;
    return sizeof(zip_stat_t);
}

zip_int64_t PendingFileSource::Read(void* data, zip_uint64_t length) {
    if (!compressed_) throw EngineError("\"" + file_.diskPath + "\" was read twice");
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(length), compressed_->data.size() - position_);
    if (count > 0) std::memcpy(data, compressed_->data.data() + position_, count);
    position_ += count;
    return static_cast<zip_int64_t>(count);
}

zip_int64_t PendingFileSource::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
        case ZIP_SOURCE_OPEN:
            if (!compressedOnce_) Compress();
            position_ = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return Read(data, length);
        case ZIP_SOURCE_CLOSE:
            // Written out: only the sizes and CRC are asked for from now on, and
            // the form itself stays only where the cache keeps it.
            compressed_.reset();
            return 0;
        case ZIP_SOURCE_STAT:
            return Stat(data, length);
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&error_);
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace vorlan::engine
