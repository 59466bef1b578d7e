// SPDX-License-Identifier: MIT
// Writing a new archive beside the old one and putting it in place durably.
#include "engines/ReplacementFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engines/EngineErrors.h"
#include "filecommit/PendingNames.h"

namespace vorlan::engine {

namespace {

// Most suites, API files added, fit whole in the buffer.
constexpr std::size_t kBufferSize = 4 * 1024 * 1024;

// Makes the rename itself durable. The new archive is complete and flushed
// by now and already carries the name, so a folder that cannot be synced
// (some file systems refuse fsync on folders) does not undo the update.
void SyncFolder(int folderFd) {
    ::fsync(folderFd);
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target, std::optional<struct stat> original)
    : target_(std::move(target)), original_(original) {}

ReplacementFile::~ReplacementFile() {
    Rollback();
}

void ReplacementFile::Begin() {
    Rollback();
    if (!folderFd_.Valid()) {
        folderFd_.Reset(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folderFd_.Valid())
            throw EngineError(SystemErrorText("Cannot open the folder of \"" + target_ + "\"", errno));
    }
    CommitStepOf([&] { file_.emplace(folderFd_.Get(), NameOf(target_)); });
    buffer_.reserve(kBufferSize);
    bufferStart_ = 0;
    cursor_ = 0;
    writtenEnd_ = 0;
}

// Writes the buffer to the file at its place and empties it.
void ReplacementFile::Flush() {
    for (std::size_t done = 0; done < buffer_.size();) {
        const ssize_t wrote = ::pwrite(file_->Fd(), buffer_.data() + done, buffer_.size() - done,
                                       static_cast<off_t>(bufferStart_ + done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0)
            throw EngineError(SystemErrorText("Cannot write \"" + target_ + "\"", wrote < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(wrote);
    }
    bufferStart_ += buffer_.size();
    writtenEnd_ = std::max(writtenEnd_, bufferStart_);
    buffer_.clear();
    cursor_ = 0;
}

void ReplacementFile::Write(const void* bytes, std::size_t count) {
    if (!file_) throw EngineError("The new archive was not begun");
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        if (cursor_ == kBufferSize) Flush();
        const std::size_t part = std::min(count, kBufferSize - cursor_);
        // Over what the buffer holds already, then past its end.
        const std::size_t overwritten = std::min(part, buffer_.size() - cursor_);
        std::copy(data, data + overwritten, buffer_.begin() + static_cast<std::ptrdiff_t>(cursor_));
        buffer_.insert(buffer_.end(), data + overwritten, data + part);
        cursor_ += part;
        data += part;
        count -= part;
    }
}

void ReplacementFile::Seek(std::uint64_t position) {
    if (position >= bufferStart_ && position - bufferStart_ <= buffer_.size()) {
        cursor_ = static_cast<std::size_t>(position - bufferStart_);
        return;
    }
    Flush();
    bufferStart_ = position;
}

void ReplacementFile::ApplyOriginalOwnership() {
    if (original_) CommitStepOf([&] { file_->TakeOwnershipOf(*original_); });
}

void ReplacementFile::Commit() {
    Flush();
    ApplyOriginalOwnership();
    // A pending file is flushed by the group it commits with.
    const bool pending = IsPendingName(NameOf(target_));
    if (!pending && ::fsync(file_->Fd()) != 0)
        throw EngineError(SystemErrorText("Cannot write \"" + target_ + "\"", errno));
    CommitStepOf([&] { file_->Publish(original_ ? TargetName::Taken : TargetName::MayBeFree); });
    file_.reset();
    if (!pending) SyncFolder(folderFd_.Get());
}

void ReplacementFile::Rollback() noexcept {
    file_.reset();
    buffer_.clear();
    cursor_ = 0;
}

void ReplacementFile::WriteEmptyArchive(std::string_view comment) {
    // APPNOTE 4.3.16: no entries, and the empty directory where the record
    // begins (past any data in front; a stub too large for the field would
    // leave no archive that plain readers find).
    std::uint8_t record[22] = {0x50, 0x4B, 0x05, 0x06};
    const std::uint64_t directoryOffset = Tell();
    if (directoryOffset > 0xFFFFFFFE) throw EngineError("The data in front of \"" + target_ + "\" is too large");
    for (int i = 0; i < 4; ++i) record[16 + i] = static_cast<std::uint8_t>(directoryOffset >> (8 * i));
    const std::size_t length = std::min<std::size_t>(comment.size(), 0xFFFF);
    record[20] = static_cast<std::uint8_t>(length & 0xFF);
    record[21] = static_cast<std::uint8_t>(length >> 8);
    Write(record, sizeof record);
    Write(comment.data(), length);
    Commit();
}

}  // namespace vorlan::engine
