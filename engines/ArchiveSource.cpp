// SPDX-License-Identifier: MIT
// The archive's zip source: reads through the window, writes through the
// replacement file.
#include "engines/ArchiveSource.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

ArchiveSource::ArchiveSource(ArchiveFile* file, std::uint64_t start, std::uint64_t end, ReplacementFile* writer)
    : file_(file), start_(start), length_(end - start), writer_(writer) {
    zip_error_init(&error_);
}

ArchiveSource::~ArchiveSource() {
    zip_error_fini(&error_);
}

zip_source_t* ArchiveSource::Create() {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(&ArchiveSource::Dispatch, this, &error);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (source == nullptr)
        throw EngineError("Cannot read \"" + (file_ ? file_->Path() : std::string()) + "\": " + text);
    return source;
}

// libzip is C: nothing may be thrown through it. Every failure becomes an
// error code here and its message is kept for the operation to report.
zip_int64_t ArchiveSource::Dispatch(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* source = static_cast<ArchiveSource*>(self);
    try {
        return source->Handle(data, length, command);
    } catch (const std::exception& failure) {
        source->failure_ = failure.what();
    } catch (...) {
        source->failure_ = "unexpected failure";
    }
    const bool writing = command >= ZIP_SOURCE_BEGIN_WRITE && command != ZIP_SOURCE_SUPPORTS;
    zip_error_set(&source->error_, writing ? ZIP_ER_WRITE : ZIP_ER_READ, 0);
    return -1;
}

zip_int64_t ArchiveSource::Supports() const {
    const zip_int64_t readable = zip_source_make_command_bitmap(
        ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
        ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
    if (writer_ == nullptr) return readable;
    return readable | zip_source_make_command_bitmap(ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE,
                                                     ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE,
                                                     ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
}

zip_int64_t ArchiveSource::Read(void* data, zip_uint64_t length) {
    const std::uint64_t count = std::min<std::uint64_t>(length, length_ - position_);
    if (count > 0 && !file_->ReadAt(start_ + position_, data, static_cast<std::size_t>(count)))
        throw EngineError("Cannot read \"" + file_->Path() + "\": the file is shorter than its directory says");
    position_ += count;
    return static_cast<zip_int64_t>(count);
}

zip_int64_t ArchiveSource::Stat(void* data, zip_uint64_t length) {
    auto* status = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
    if (status == nullptr) return -1;
    zip_stat_init(status);
    status->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    status->size = length_;
    status->mtime = file_ ? file_->Status().st_mtime : 0;
    return sizeof(zip_stat_t);
}

zip_int64_t ArchiveSource::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
        case ZIP_SOURCE_OPEN:
            position_ = 0;
            return 0;
        case ZIP_SOURCE_READ:
            return Read(data, length);
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT:
            return Stat(data, length);
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return Supports();
        case ZIP_SOURCE_TELL:
            return static_cast<zip_int64_t>(position_);
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t target = zip_source_seek_compute_offset(position_, length_, data, length, &error_);
            if (target < 0) return -1;
            position_ = static_cast<std::uint64_t>(target);
            return 0;
        }
        default:
            return HandleWrite(data, length, command);
    }
}

void ArchiveSource::BeginWrite() {
    writer_->Begin();
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(frontLength_, kChunk)));
    for (std::uint64_t copied = 0; copied < frontLength_;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(frontLength_ - copied, kChunk));
        if (!file_->ReadAt(copied, chunk.data(), count))
            throw EngineError("Cannot read \"" + file_->Path() + "\": the data in front of the archive is cut short");
        writer_->Write(chunk.data(), count);
        copied += count;
    }
}

zip_int64_t ArchiveSource::HandleWrite(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    if (writer_ == nullptr) {
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
    switch (command) {
        case ZIP_SOURCE_BEGIN_WRITE:
            BeginWrite();
            return 0;
        case ZIP_SOURCE_WRITE:
            writer_->Write(data, static_cast<std::size_t>(length));
            return static_cast<zip_int64_t>(length);
        case ZIP_SOURCE_TELL_WRITE:
            return static_cast<zip_int64_t>(writer_->Tell());
        case ZIP_SOURCE_SEEK_WRITE: {
            const zip_int64_t target =
                zip_source_seek_compute_offset(writer_->Tell(), writer_->Written(), data, length, &error_);
            if (target < 0) return -1;
            writer_->Seek(static_cast<std::uint64_t>(target));
            return 0;
        }
        case ZIP_SOURCE_COMMIT_WRITE:
            writer_->Commit();
            return 0;
        case ZIP_SOURCE_ROLLBACK_WRITE:
            writer_->Rollback();
            return 0;
        case ZIP_SOURCE_REMOVE:
            BeginWrite();
            writer_->WriteEmptyArchive(commentWhenEmpty_);
            return 0;
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace vorlan::engine
