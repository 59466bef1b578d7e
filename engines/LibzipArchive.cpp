// SPDX-License-Identifier: MIT
// Opening, checking and closing an archive through libzip.
#include "engines/LibzipArchive.h"

#include <cstring>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

// libzip hands out a name holding a NUL byte with the NUL made a space; the
// engines skip such entries themselves, so only the other bytes must agree.
bool SameName(const char* seenByLibzip, const std::string& stored) {
    if (std::strlen(seenByLibzip) != stored.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i)
        if (stored[i] != '\0' && stored[i] != seenByLibzip[i]) return false;
    return true;
}

// The archive is open already, so libzip's "No such file" is never about
// the file: it is what libzip says when a record lacks an extra field its
// sizes or offset point to (0xFFFFFFFF, "see the Zip64 field").
std::string OpenFailureText(zip_error_t& error) {
    if (zip_error_code_zip(&error) == ZIP_ER_NOENT)
        return "an entry's size or offset is marked as held in a Zip64 field, and the entry has none";
    return zip_error_strerror(&error);
}

}  // namespace

LibzipArchive::LibzipArchive(ArchiveSource& source, OpenMode mode, const std::string& displayName)
    : source_(source), displayName_(displayName) {
    zip_source_t* zipSource = source.Create();
    zip_error_t error;
    zip_error_init(&error);
    archive_ = zip_open_from_source(zipSource, mode == OpenMode::ReadOnly ? ZIP_RDONLY : ZIP_CREATE, &error);
    const std::string text = OpenFailureText(error);
    zip_error_fini(&error);
    if (archive_ == nullptr) {
        zip_source_free(zipSource);
        throw ArchiveRefused("libzip cannot open \"" + displayName + "\": " + text);
    }
}

LibzipArchive::~LibzipArchive() {
    if (archive_ != nullptr) zip_discard(archive_);
}

void LibzipArchive::ConfirmEntries(const std::vector<RawEntry>& entries) const {
    if (zip_get_num_entries(archive_, 0) != static_cast<zip_int64_t>(entries.size()))
        throw ArchiveRefused("readers disagree on the entries of \"" + displayName_ + "\"");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        zip_stat_t status;
        const bool readable = zip_stat_index(archive_, i, ZIP_FL_ENC_RAW, &status) == 0;
        const char* name = readable && (status.valid & ZIP_STAT_NAME) ? status.name : "";
        if (!readable || !SameName(name, entries[i].name) || status.comp_size != entries[i].compressedSize ||
            status.size != entries[i].uncompressedSize)
            throw ArchiveRefused("readers disagree on the entries of \"" + displayName_ + "\"");
    }
}

void LibzipArchive::Close() {
    if (zip_close(archive_) == 0) {
        archive_ = nullptr;
        return;
    }
    const std::string reason = source_.Failure().empty() ? zip_strerror(archive_) : source_.Failure();
    throw EngineError("Cannot update \"" + displayName_ + "\": " + reason);
}

}  // namespace vorlan::engine
