// SPDX-License-Identifier: MIT
// Updating an archive: collect, plan, register with libzip, write, replace.
#include "engines/UpdateOperation.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "engines/ArchiveLayout.h"
#include "engines/ArchiveSource.h"
#include "engines/CompressedFormCache.h"
#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "engines/EntrySelection.h"
#include "engines/LibzipArchive.h"
#include "engines/PendingFileSource.h"
#include "engines/ReplacementFile.h"
#include "engines/SettledForms.h"
#include "engines/UpdatePlan.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/ReplaceableTarget.h"

namespace vorlan::engine {

namespace {

constexpr int kDesignedLevel = 9;

// Files below the current folder are found again by their state only where
// times are fine enough for it (see SettledForms).
bool FilesMayBeFoundSettled() {
    return HeldInMemory(".");
}
// Extra fields that carry a time of their own (extended timestamp, NTFS,
// Info-ZIP Unix): a replaced entry must not keep its old content's times.
constexpr zip_uint16_t kTimestampFields[] = {0x5455, 0x000A, 0x5855};

bool On(std::int32_t flag) {
    return flag != 0;
}

// Entry names the archive already holds are kept byte for byte. One that
// Java cannot read makes the rewritten archive unreadable too, and one with a
// NUL byte would come out of libzip changed (the NUL made a space): such an
// archive is not rewritten at all.
void RequireJarEntryNames(const std::string& path, const std::vector<RawEntry>& entries) {
    for (const RawEntry& entry : entries) {
        if (IsJarEntryName(entry.name)) continue;
        const char* why = entry.HoldsNul() ? "holds a NUL byte" : "is not UTF-8, which Java cannot read";
        throw ArchiveRefused("\"" + path + "\": the entry name \"" + EscapedEntryName(entry.name) + "\" " + why +
                             "; it is left as it is");
    }
}

std::vector<std::string_view> PatternsOf(const TZipParams& params) {
    std::vector<std::string_view> patterns;
    if (params.FileSpecs == nullptr) return patterns;
    for (std::int32_t i = 0; i < params.FileSpecCount; ++i)
        if (params.FileSpecs[i].FileSpec != nullptr) patterns.emplace_back(params.FileSpecs[i].FileSpec);
    return patterns;
}

class Update {
public:
    Update(const TZipParams& params, CallbackChannel& channel)
        : params_(params),
          channel_(channel),
          level_(params.Level >= 0 && params.Level <= 9 ? params.Level : kDesignedLevel) {}
    std::int32_t Run();

private:
    void UpdateArchive(const std::string& path);
    void AddFiles(LibzipArchive& archive, const ArchiveLayout& layout, const ArchiveFile* file);
    void DeleteEntries(LibzipArchive& archive, const ArchiveLayout& layout);
    void ReportSkipped(const std::vector<SkippedFile>& skipped);
    void RegisterFile(LibzipArchive& archive, PlannedFile& planned);
    void SetEntryDetails(zip_t* archive, std::uint64_t index, const CollectedFile& file, bool replaces);
    void Close(LibzipArchive& archive, ArchiveSource& source);

    const TZipParams& params_;
    CallbackChannel& channel_;
    int level_;  // 0 stores
    WriteFailure writeFailure_;
    std::vector<std::unique_ptr<PendingFileSource>> pending_;
    std::int32_t processed_ = 0;
    bool batchBegun_ = false;
};

std::int32_t Update::Run() {
    const std::string path = params_.ZipFileName != nullptr ? params_.ZipFileName : "";
    try {
        if (path.empty()) throw EngineError("No archive was named");
        UpdateArchive(path);
        return processed_;
    } catch (const OperationStopped&) {
        return 0;
    } catch (const ArchiveRefused& refusal) {
        try {
            channel_.Message(refusal.what());
            channel_.Skipped(path);
        } catch (const OperationStopped&) {
            // Nothing was changed; a stop answer changes nothing either.
        }
    } catch (const EngineError& failure) {
        try {
            channel_.Message(failure.what());
            if (batchBegun_) channel_.EndBatch();
        } catch (const OperationStopped&) {
            // Nothing was changed; a stop answer changes nothing either.
        }
    }
    return 0;
}

void Update::UpdateArchive(const std::string& path) {
    // An update replaces a link's target and the link stays.
    const std::string target = CommitStepOf([&] { return ResolveLinks(path); });
    std::unique_ptr<ArchiveFile> file = ArchiveFile::OpenIfPresent(target);
    // The archive is replaced by renaming a new one over it, which the folder
    // allows whatever the file's own bits say; a file nobody may write is the
    // user's "leave it alone", as the read-only attribute was on Windows.
    if (file && (file->Status().st_mode & 0222) == 0)
        throw ArchiveRefused("\"" + path + "\" is read-only; it is left as it is");
    ArchiveLayout layout;
    if (file && file->Size() > 0) {
        layout = ReadArchiveLayout(*file);
        RequireJarEntryNames(path, layout.entries);
    }
    ReplacementFile writer(target, file ? std::optional(file->Status()) : std::nullopt);
    ArchiveSource source(file.get(), layout.end.archiveStart, layout.end.archiveEnd, &writer);
    source.KeepInFront(layout.FrontLength());
    LibzipArchive archive(source, OpenMode::Update, path);
    archive.ConfirmEntries(layout.entries);
    if (On(params_.DeleteEntries))
        DeleteEntries(archive, layout);
    else if (On(params_.AddFiles))
        AddFiles(archive, layout, file.get());
    else
        return;
    Close(archive, source);
    try {
        channel_.EndBatch();
    } catch (const OperationStopped&) {
        // The new archive is in place by now: a stop at the very end cannot
        // undo it, and the result must still say the archive changed.
    }
}

void Update::ReportSkipped(const std::vector<SkippedFile>& skipped) {
    for (const SkippedFile& item : skipped) {
        if (!item.reason.empty()) channel_.Message(item.reason);
        channel_.Skipped(item.name);
    }
}

void Update::AddFiles(LibzipArchive& archive, const ArchiveLayout& layout, const ArchiveFile* file) {
    if (On(params_.Encrypt) && (params_.Password == nullptr || params_.Password[0] == '\0'))
        throw EngineError("Encryption was asked for without a password");
    std::optional<FileIdentity> self;
    if (file) self = FileIdentity{file->Status().st_dev, file->Status().st_ino};
    FileCollector collector(params_.Recurse != 0 ? Recursion::Descend : Recursion::ThisFolderOnly,
                            On(params_.JunkDirNames) ? FolderNames::Junk : FolderNames::Keep, self,
                            FilesMayBeFoundSettled() ? std::optional<int>(level_) : std::nullopt);
    for (const std::string_view pattern : PatternsOf(params_)) collector.Collect(pattern);
    std::vector<PlannedFile> plan = PlanUpdate(NamesAsShown(layout.entries), collector.TakeFiles());
    std::uint64_t bytes = 0;
    for (const PlannedFile& planned : plan) bytes += planned.file.size;
    channel_.BatchCount(plan.size());
    channel_.BatchBytes(bytes);
    batchBegun_ = true;
    ReportSkipped(collector.TakeSkipped());
    for (PlannedFile& planned : plan) {
        const bool unchanged =
            planned.replaces && !On(params_.Encrypt) &&
            HoldsSameContent(archive.Get(), *planned.replaces, layout.entries[*planned.replaces], planned.file);
        if (unchanged) {
            channel_.BeginFile(planned.file.storedName, planned.file.size);
            channel_.Progress(planned.file.size);
        } else {
            RegisterFile(archive, planned);
        }
        ++processed_;
    }
}

// The file moves into its source, which libzip reads from when it writes.
void Update::RegisterFile(LibzipArchive& archive, PlannedFile& planned) {
    pending_.push_back(std::make_unique<PendingFileSource>(std::move(planned.file), level_, channel_, writeFailure_));
    const CollectedFile& file = pending_.back()->File();
    zip_source_t* source = pending_.back()->Create(archive.Get());
    zip_int64_t index = -1;
    if (planned.replaces) {
        if (zip_file_replace(archive.Get(), *planned.replaces, source, 0) == 0)
            index = static_cast<zip_int64_t>(*planned.replaces);
    } else {
        // The collector takes only UTF-8 names: flagged as such when they are
        // not plain ASCII.
        index = zip_file_add(archive.Get(), file.storedName.c_str(), source, ZIP_FL_ENC_UTF_8);
    }
    if (index < 0) {
        zip_source_free(source);
        throw EngineError("Cannot add \"" + file.diskPath + "\": " + zip_strerror(archive.Get()));
    }
    SetEntryDetails(archive.Get(), static_cast<std::uint64_t>(index), file, planned.replaces.has_value());
}

void Update::SetEntryDetails(zip_t* archive, std::uint64_t index, const CollectedFile& file, bool replaces) {
    const zip_int32_t method = level_ == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    bool ok = zip_set_file_compression(archive, index, method, static_cast<zip_uint32_t>(level_)) == 0 &&
              zip_file_set_mtime(archive, index, file.modified, 0) == 0;
    if (replaces) {
        for (const zip_uint16_t field : kTimestampFields)
            ok = ok && zip_file_extra_field_delete_by_id(archive, index, field, ZIP_EXTRA_FIELD_ALL,
                                                         ZIP_FL_CENTRAL | ZIP_FL_LOCAL) == 0;
    } else {
        // Host MS-DOS and no attributes: no POSIX permission bits for the
        // JDK's tools to warn about.
        ok = ok && zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_DOS, 0) == 0;
    }
    if (On(params_.Encrypt))
        ok = ok && zip_file_set_encryption(archive, index, ZIP_EM_AES_256, params_.Password) == 0;
    else if (replaces)
        ok = ok && zip_file_set_encryption(archive, index, ZIP_EM_NONE, nullptr) == 0;
    if (!ok) throw EngineError("Cannot add \"" + file.diskPath + "\": " + zip_strerror(archive));
}

void Update::DeleteEntries(LibzipArchive& archive, const ArchiveLayout& layout) {
    const NameDisplay display(layout.entries);
    const std::vector<std::uint64_t> selected = EntriesSelected(display, layout.entries, PatternsOf(params_));
    std::uint64_t bytes = 0;
    for (const std::uint64_t index : selected) bytes += layout.entries[index].uncompressedSize;
    channel_.BatchCount(selected.size());
    channel_.BatchBytes(bytes);
    batchBegun_ = true;
    for (const std::uint64_t index : selected) {
        const std::string shownName = display.Shown(layout.entries[index]);
        channel_.BeginFile(shownName, layout.entries[index].uncompressedSize);
        if (zip_delete(archive.Get(), index) != 0)
            throw EngineError("Cannot delete \"" + shownName + "\": " + zip_strerror(archive.Get()));
        channel_.Progress(layout.entries[index].uncompressedSize);
        ++processed_;
    }
}

void Update::Close(LibzipArchive& archive, ArchiveSource& source) {
    int length = 0;
    const char* existing = zip_get_archive_comment(archive.Get(), &length, ZIP_FL_ENC_RAW);
    std::string comment = existing != nullptr ? std::string(existing, static_cast<std::size_t>(length)) : "";
    if (params_.ArchiveComment != nullptr) {
        comment = params_.ArchiveComment;
        if (comment.size() > 0xFFFF) throw EngineError("The archive comment is longer than an archive can hold");
        if (zip_set_archive_comment(archive.Get(), comment.c_str(), static_cast<zip_uint16_t>(comment.size())) != 0)
            throw EngineError(std::string("Cannot set the archive comment: ") + zip_strerror(archive.Get()));
    }
    source.SetCommentWhenEmpty(comment);
    try {
        archive.Close();
    } catch (const EngineError& failure) {
        if (writeFailure_.stopped) throw OperationStopped();
        if (!writeFailure_.message.empty()) throw EngineError(writeFailure_.message);
        throw;
    }
}

}  // namespace

std::int32_t RunUpdate(const TZipParams& params, CallbackChannel& channel) {
    ProcessCompressedFormCache().BeginOperation();
    return Update(params, channel).Run();
}

}  // namespace vorlan::engine
