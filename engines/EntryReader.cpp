// SPDX-License-Identifier: MIT
// Bounded, checked reading of entries, passwords included.
#include "engines/EntryReader.h"

#include <algorithm>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

constexpr std::size_t kPieceSize = 64 * 1024;
constexpr int kPasswordQuestions = 3;

std::string ErrorText(zip_t* archive) {
    std::string text = zip_strerror(archive);
    zip_error_clear(archive);
    return text;
}

// zip_fread's count, zip_fclose's check (a CRC error shows there too).
class LibzipEntryStream final : public EntryStream {
public:
    explicit LibzipEntryStream(zip_file_t* file) : file_(file) {}

    std::int64_t Read(std::uint8_t* destination, std::size_t count) override {
        return zip_fread(file_.get(), destination, count);
    }
    bool Close() override { return zip_fclose(file_.release()) == 0; }

private:
    ZipFileHandle file_;
};

EntryStreamHandle StreamOf(zip_file_t* file) {
    return file != nullptr ? std::make_unique<LibzipEntryStream>(file) : nullptr;
}

}  // namespace

EntryReader::EntryReader(zip_t* archive, CallbackChannel& channel, const char* password)
    : archive_(archive), channel_(channel), buffer_(new std::uint8_t[kPieceSize]) {
    if (password != nullptr && password[0] != '\0') password_ = password;
}

// Nothing for a wrong or missing password; EntryFailed for any other reason.
zip_file_t* EntryReader::TryPassword(std::uint64_t index, const std::string& password, std::string_view name) {
    zip_file_t* file = zip_fopen_index_encrypted(archive_, index, 0, password.c_str());
    if (file != nullptr) return file;
    const int code = zip_error_code_zip(zip_get_error(archive_));
    const std::string text = ErrorText(archive_);
    if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD) return nullptr;
    throw EntryFailed("Cannot read \"" + std::string(name) + "\": " + text);
}

// Strong encryption (general purpose bit 6) and methods libzip does not know
// cannot be read; libzip 1.7 also loses memory when asked to decrypt them
// with a password, so they are refused before any password is tried.
bool EntryReader::Decryptable(std::uint64_t index) const {
    zip_stat_t status;
    if (zip_stat_index(archive_, index, 0, &status) != 0 || (status.valid & ZIP_STAT_ENCRYPTION_METHOD) == 0) {
        zip_error_clear(archive_);
        return false;
    }
    return zip_encryption_method_supported(status.encryption_method, 0) != 0;
}

EntryStreamHandle EntryReader::Open(std::uint64_t index, std::string_view name, bool encrypted) {
    if (encrypted && !Decryptable(index))
        throw EntryFailed("Cannot read \"" + std::string(name) + "\": its encryption method is not supported");
    if (!encrypted) {
        zip_file_t* file = zip_fopen_index(archive_, index, 0);
        if (file == nullptr) throw EntryFailed("Cannot read \"" + std::string(name) + "\": " + ErrorText(archive_));
        return StreamOf(file);
    }
    if (password_)
        if (zip_file_t* file = TryPassword(index, *password_, name)) return StreamOf(file);
    for (int furtherTries = kPasswordQuestions - 1; furtherTries >= 0; --furtherTries) {
        const std::optional<std::string> answer = channel_.AskPassword(name, furtherTries);
        if (!answer) break;
        if (zip_file_t* file = TryPassword(index, *answer, name)) {
            password_ = answer;
            return StreamOf(file);
        }
    }
    return nullptr;
}

DataCondition EntryReader::Copy(EntryStreamHandle stream, std::uint64_t statedSize, const Sink& sink) {
    // One byte more than stated is asked for: getting it proves the data
    // goes on past its stated size.
    const std::uint64_t limit = statedSize + 1;
    std::uint64_t total = 0;
    bool readFailed = false;
    while (total < limit) {
        const std::uint64_t wanted = std::min<std::uint64_t>(kPieceSize, limit - total);
        const std::int64_t got = stream->Read(buffer_.get(), static_cast<std::size_t>(wanted));
        if (got < 0) readFailed = true;
        if (got <= 0) break;
        const auto usable = static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(got), statedSize - std::min(total, statedSize)));
        total += static_cast<std::uint64_t>(got);
        sink(std::span<const std::uint8_t>(buffer_.get(), usable));
        channel_.Progress(usable);
    }
    if (total == 0) channel_.Progress(0);
    const bool closedClean = stream->Close();
    const bool good = !readFailed && closedClean && total == statedSize;
    return good ? DataCondition::Good : DataCondition::Damaged;
}

}  // namespace vorlan::engine
