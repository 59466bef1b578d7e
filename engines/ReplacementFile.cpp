// Writing a new archive beside the old one and putting it in place durably.
#include "engines/ReplacementFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, 'x');
    for (char& letter : suffix) letter = kLetters[generator() % (sizeof kLetters - 1)];
    return suffix;
}

// Makes the rename itself durable. The new archive is complete and flushed
// by now and already carries the name, so a folder that cannot be synced
// (some file systems refuse fsync on folders) does not undo the update.
void SyncFolder(const std::string& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) ::fsync(fd.get());
}

}  // namespace

ReplacementFile::ReplacementFile(std::string target, std::optional<struct stat> original)
    : target_(std::move(target)), original_(original) {}

ReplacementFile::~ReplacementFile() { rollback(); }

void ReplacementFile::createTemporary() {
    const std::string prefix = FolderOf(target_) + "/." + NameOf(target_) + ".";
    // The mode is narrowed by the umask for a new archive; an existing
    // archive's own bits are put back before the rename.
    for (int attempt = 0; attempt < 100 && !fd_.valid(); ++attempt) {
        temporaryPath_ = prefix + RandomSuffix() + ".part";
        fd_.reset(::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd_.valid() && errno != EEXIST) {
            const int error = errno;
            temporaryPath_.clear();
            throw EngineError(SystemErrorText("Cannot create a file beside \"" + target_ + "\"", error));
        }
    }
    if (!fd_.valid()) throw EngineError("Cannot create a file beside \"" + target_ + "\"");
}

void ReplacementFile::begin() {
    rollback();
    createTemporary();
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    bufferStart_ = 0;
    writtenEnd_ = 0;
}

void ReplacementFile::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t wrote = ::pwrite(fd_.get(), buffer_.data() + done, buffer_.size() - done,
                                       static_cast<off_t>(bufferStart_ + done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw EngineError(SystemErrorText("Cannot write \"" + target_ + "\"", wrote < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(wrote);
    }
    bufferStart_ += buffer_.size();
    writtenEnd_ = std::max(writtenEnd_, bufferStart_);
    buffer_.clear();
}

void ReplacementFile::write(const void* bytes, std::size_t count) {
    if (!fd_.valid()) throw EngineError("The new archive was not begun");
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        if (buffer_.size() == kBufferSize) flush();
        const std::size_t part = std::min(count, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), data, data + part);
        data += part;
        count -= part;
    }
}

void ReplacementFile::seek(std::uint64_t position) {
    flush();
    bufferStart_ = position;
}

void ReplacementFile::applyOriginalOwnership() {
    if (!original_) return;
    if (::fchmod(fd_.get(), original_->st_mode & 07777) != 0)
        throw EngineError(SystemErrorText("Cannot set the permissions of \"" + target_ + "\"", errno));
    if (original_->st_uid == ::geteuid() && original_->st_gid == ::getegid()) return;
    if (::fchown(fd_.get(), original_->st_uid, original_->st_gid) != 0) {
        // Only a privileged process may give a file away; for anyone else the
        // new archive belongs to them, as any file they write does.
    }
}

void ReplacementFile::commit() {
    flush();
    applyOriginalOwnership();
    if (::fsync(fd_.get()) != 0) throw EngineError(SystemErrorText("Cannot write \"" + target_ + "\"", errno));
    if (::close(fd_.release()) != 0) throw EngineError(SystemErrorText("Cannot write \"" + target_ + "\"", errno));
    if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0)
        throw EngineError(SystemErrorText("Cannot replace \"" + target_ + "\"", errno));
    temporaryPath_.clear();
    SyncFolder(FolderOf(target_));
}

void ReplacementFile::rollback() noexcept {
    fd_.reset();
    if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    buffer_.clear();
}

void ReplacementFile::writeEmptyArchive(std::string_view comment) {
    begin();
    std::uint8_t record[22] = {0x50, 0x4B, 0x05, 0x06};  // APPNOTE 4.3.16, every count and offset 0
    const std::size_t length = std::min<std::size_t>(comment.size(), 0xFFFF);
    record[20] = static_cast<std::uint8_t>(length & 0xFF);
    record[21] = static_cast<std::uint8_t>(length >> 8);
    write(record, sizeof record);
    write(comment.data(), length);
    commit();
}

}  // namespace vorlan::engine
