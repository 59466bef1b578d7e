// SPDX-License-Identifier: MIT
// Extraction: select, judge, ask, write.
#include "engines/ExtractOperation.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/ArchiveLayout.h"
#include "engines/ArchiveSource.h"
#include "engines/DirectEntryStream.h"
#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "engines/EntryOverlap.h"
#include "engines/EntryPatterns.h"
#include "engines/EntryReader.h"
#include "engines/EntrySelection.h"
#include "engines/ExtractedFile.h"
#include "engines/LibzipArchive.h"
#include "engines/LocalHeaders.h"
#include "engines/TargetFolders.h"

namespace vorlan::engine {

namespace {

bool On(std::int32_t flag) {
    return flag != 0;
}

// The last words of an extraction that cannot go on: why, and the archive
// as skipped when it was refused whole, or the end of the batch otherwise.
void ReportEnd(CallbackChannel& channel, const EngineError& reason, const std::optional<std::string>& refusedArchive) {
    try {
        channel.Message(reason.what(), reason.ErrorNumber());
        if (refusedArchive)
            channel.Skipped(*refusedArchive);
        else
            channel.EndBatch();
    } catch (const OperationStopped&) {
        // The operation is over either way; a stop answer changes nothing.
    }
}

struct SelectedEntry {
    std::uint64_t index = 0;
    std::string name;  // as shown
    const RawEntry* raw = nullptr;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    std::uint64_t dataStart = 0;  // known when the data is read directly
};

class Extraction {
public:
    Extraction(const TUnzipParams& params, CallbackChannel& channel) : params_(params), channel_(channel) {}
    std::int32_t Run();

private:
    std::vector<SelectedEntry> Select(const std::vector<RawEntry>& entries) const;
    bool ReadsDirectly(ArchiveFile& file, const ArchiveLayout& layout, std::vector<SelectedEntry>& selected) const;
    void ExtractAll(zip_t* archive, const std::vector<SelectedEntry>& selected);
    void ExtractEntry(EntryReader& reader, const SelectedEntry& entry);
    bool MayWrite(Folder& folder, const std::string& fileName, const SelectedEntry& entry);
    void WriteEntry(EntryReader& reader, Folder& folder, const std::string& targetName, const SelectedEntry& entry);

    const TUnzipParams& params_;
    CallbackChannel& channel_;
    std::unique_ptr<TargetFolders> folders_;
    ArchiveFile* directFile_ = nullptr;  // set when the data is read without libzip
    std::uint64_t archiveEnd_ = 0;
    std::uint64_t written_ = 0;
    std::int32_t filesWritten_ = 0;
};

std::vector<SelectedEntry> Extraction::Select(const std::vector<RawEntry>& entries) const {
    std::vector<std::string_view> patterns;
    for (std::int32_t i = 0; params_.FileSpecs != nullptr && i < params_.FileSpecCount; ++i)
        if (params_.FileSpecs[i].FileSpec != nullptr) patterns.emplace_back(params_.FileSpecs[i].FileSpec);
    const NameDisplay display(entries);
    std::vector<SelectedEntry> selected;
    for (const std::uint64_t index : EntriesSelected(display, entries, patterns)) {
        const RawEntry& raw = entries[index];
        selected.push_back(SelectedEntry{index, display.Shown(raw), &raw, raw.uncompressedSize, raw.Modified()});
    }
    return selected;
}

std::int32_t Extraction::Run() {
    const std::string path = params_.ZipFileName != nullptr ? params_.ZipFileName : "";
    try {
        std::unique_ptr<ArchiveFile> file = ArchiveFile::OpenIfPresent(path, ArchiveReading::SomeEntries);
        if (!file) throw ArchiveRefused("\"" + path + "\" does not exist");
        const ArchiveLayout layout = ReadDirectoryLayout(*file);
        std::vector<SelectedEntry> selected = Select(layout.entries);
        std::optional<ArchiveSource> source;
        std::optional<LibzipArchive> archive;
        if (ReadsDirectly(*file, layout, selected)) {
            directFile_ = file.get();
            archiveEnd_ = layout.end.archiveEnd;
        } else {
            source.emplace(file.get(), layout.end.archiveStart, layout.end.archiveEnd);
            archive.emplace(*source, OpenMode::ReadOnly, path);
            archive->ConfirmEntries(layout.entries);
        }
        // Only the entries read need their local headers judged: the others'
        // bytes are never looked at.
        std::vector<std::uint64_t> indices;
        for (const SelectedEntry& entry : selected) indices.push_back(entry.index);
        CheckEntriesOwnBytes(*file, layout.end, layout.entries, indices);
        CheckLocalHeadersAgree(*file, layout.end, layout.entries, indices);
        ExtractAll(archive ? archive->Get() : nullptr, selected);
    } catch (const ArchiveRefused& refusal) {
        ReportEnd(channel_, refusal, path);
    } catch (const OperationStopped&) {
        return filesWritten_;
    } catch (const EngineError& failure) {
        ReportEnd(channel_, failure, std::nullopt);
    }
    return filesWritten_;
}

// Whether the chosen entries' data is read straight from the file: libzip
// would read the archive alike, every entry is stored or deflated without
// encryption, and its local record can be read (libzip's own words tell
// what is wrong with one that cannot). Notes where each entry's data starts.
bool Extraction::ReadsDirectly(ArchiveFile& file, const ArchiveLayout& layout,
                               std::vector<SelectedEntry>& selected) const {
    if (!layout.ReadAlikeByLibzip()) return false;
    LocalRecordReader locals(file);
    for (SelectedEntry& entry : selected) {
        if (!ReadableDirectly(*entry.raw)) return false;
        const std::uint64_t localStart = layout.end.archiveStart + entry.raw->localHeaderOffset;
        const Decoded<LocalRecord> local = locals.Read(localStart);
        if (!local) return false;
        entry.dataStart = localStart + local->Size();
    }
    return true;
}

void Extraction::ExtractAll(zip_t* archive, const std::vector<SelectedEntry>& selected) {
    std::uint64_t files = 0, bytes = 0;
    for (const SelectedEntry& entry : selected) {
        if (!entry.name.empty() && (entry.name.back() == '/' || entry.name.back() == '\\')) continue;
        ++files;
        bytes += entry.size;
    }
    channel_.BatchCount(files);
    channel_.BatchBytes(bytes);
    folders_ = std::make_unique<TargetFolders>();
    EntryReader reader(archive, channel_, params_.Password);
    for (const SelectedEntry& entry : selected) {
        try {
            ExtractEntry(reader, entry);
        } catch (const EntryFailed& failure) {
            channel_.Message(failure.what(), failure.ErrorNumber());
            channel_.Skipped(entry.name);
        }
    }
    channel_.EndBatch();
}

void Extraction::ExtractEntry(EntryReader& reader, const SelectedEntry& entry) {
    // A file of such a name would go into a JAR under it, or under a name
    // changed by some library: neither is the entry.
    if (entry.raw->HoldsNul())
        throw EntryFailed("\"" + EscapedEntryName(entry.name) + "\" is left out: its name holds a NUL byte");
    if (!IsWellFormedUtf8(entry.name))
        throw EntryFailed("\"" + EscapedEntryName(entry.name) +
                          "\" is left out: its name is not UTF-8, and no JAR holding it could be read by Java");
    const std::optional<SafeEntryPath> path = JudgeEntryName(entry.name);
    if (!path)
        throw EntryFailed("\"" + entry.name + "\" is not a name that can be written safely below the target folder");
    if (entry.raw->IsSymbolicLink()) throw EntryFailed("\"" + entry.name + "\" is a symbolic link");
    const bool keepFolders = On(params_.DirectoryNames);
    std::span<const std::string> folderPart(path->components);
    folderPart = path->isFolder ? folderPart : folderPart.first(folderPart.size() - 1);
    if (!keepFolders) folderPart = {};
    if (path->isFolder && (!keepFolders || On(params_.Freshen))) return;  // nothing to make
    const FolderCreation creation = On(params_.Freshen) ? FolderCreation::LookOnly : FolderCreation::Create;
    Folder* folder = folders_->FolderFor(folderPart, creation);
    if (path->isFolder) {
        if (folder == nullptr) throw EntryFailed("\"" + entry.name + "\": a link or a file is in the way");
        return;  // folders are made, not counted
    }
    if (folder == nullptr) {
        if (On(params_.Freshen)) throw EntryFailed("\"" + entry.name + "\" does not exist yet");
        throw EntryFailed("\"" + entry.name + "\": a link or a file is in the way");
    }
    if (entry.size > kExtractionOutputCap - written_)
        throw EntryFailed("\"" + entry.name + "\" would take the extraction past its 64 MiB limit");
    const std::string& fileName = path->components.back();
    if (!MayWrite(*folder, fileName, entry)) return;
    WriteEntry(reader, *folder, folder->ExistingName(fileName).value_or(fileName), entry);
}

// Whether an existing target may be replaced (or a missing one created);
// reports the skip itself when not.
bool Extraction::MayWrite(Folder& folder, const std::string& fileName, const SelectedEntry& entry) {
    const std::optional<std::string> existing = folder.ExistingName(fileName);
    struct stat status {};
    const bool exists = existing && ::fstatat(folder.Fd(), existing->c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists) {
        if (On(params_.Freshen)) throw EntryFailed("\"" + entry.name + "\" does not exist yet");
        return true;
    }
    if (S_ISDIR(status.st_mode)) throw EntryFailed("\"" + entry.name + "\": a folder of that name exists");
    if (On(params_.OverwriteAll)) return true;
    const ExistingFileAge age =
        status.st_mtime < entry.modified ? ExistingFileAge::Older : ExistingFileAge::SameOrNewer;
    if (channel_.AskOverwrite(entry.name, age) == OverwriteAnswer::Replace) return true;
    channel_.Skipped(entry.name);
    return false;
}

void Extraction::WriteEntry(EntryReader& reader, Folder& folder, const std::string& targetName,
                            const SelectedEntry& entry) {
    EntryStreamHandle data = directFile_ != nullptr ? std::make_unique<DirectEntryStream>(*directFile_, entry.dataStart,
                                                                                          archiveEnd_, *entry.raw)
                                                    : reader.Open(entry.index, entry.name, entry.raw->Encrypted());
    if (!data) throw EntryFailed("\"" + entry.name + "\" needs a password that was not given");
    channel_.BeginFile(entry.name, entry.size);
    ExtractedFile target(folder.Fd(), targetName);
    std::uint64_t bytes = 0;
    const DataCondition condition = reader.Copy(std::move(data), entry.size, [&](std::span<const std::uint8_t> piece) {
        target.Write(piece);
        bytes += piece.size();
    });
    if (condition == DataCondition::Damaged && channel_.AskDamagedData(entry.name) == DamagedDataAnswer::Discard) {
        target.Discard();
        channel_.Skipped(entry.name);
        return;
    }
    target.Commit(entry.modified);
    folder.Remember(targetName);
    written_ += bytes;
    ++filesWritten_;
}

}  // namespace

std::int32_t RunExtraction(const TUnzipParams& params, CallbackChannel& channel) {
    return Extraction(params, channel).Run();
}

}  // namespace vorlan::engine
