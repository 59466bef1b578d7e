// SPDX-License-Identifier: MIT
// The extract engine under arbitrary bytes, into a folder it must not leave.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "engines/ArchiveLayout.h"
#include "engines/CallbackChannel.h"
#include "engines/DirectEntryStream.h"
#include "engines/EngineErrors.h"
#include "engines/ExtractOperation.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/support/TwoWayReading.h"
#include "zipformat/Utf8.h"

namespace vorlan::fuzz {

namespace fs = std::filesystem;

namespace {

// The caller's side: replace what exists, keep damaged data (so that cut
// data is written too), and offer one password.
std::int32_t AnswerEverything(CallbackRecord* record) {
    switch (record->ActionCode) {
        case ACTION_OVERWRITE:
            record->Value = 1;
            break;
        case ACTION_CRC_ERROR:
            record->Status = 1;
            break;
        case ACTION_PASSWORD:
            std::snprintf(record->Text, sizeof record->Text, "%s", "password");
            record->Status = 1;
            break;
        default:
            break;
    }
    return 0;
}

// Everything below root, links not followed, each with its kind.
std::vector<std::string> Listing(const fs::path& root) {
    std::vector<std::string> names;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
        const fs::file_status status = it->symlink_status();
        const char kind = fs::is_symlink(status)        ? 'l'
                          : fs::is_directory(status)    ? 'd'
                          : fs::is_regular_file(status) ? 'f'
                                                        : '?';
        names.push_back(kind + fs::relative(it->path(), root).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Three levels deep, so that a name climbing out lands in the work folder
// where the listing sees it.
void Extract(const fs::path& archive, const fs::path& target, const char* spec) {
    fs::create_directories(target);
    TUnzipFileSpec specs[1] = {};
    specs[0].FileSpec = spec;
    TUnzipParams params{};
    params.Version = ENGINE_RECORD_VERSION;
    params.Trailer = ENGINE_RECORD_TRAILER;
    params.Callback = AnswerEverything;
    params.DirectoryNames = -1;
    params.AskOverwrite = -1;
    params.FileSpecCount = 1;
    params.FileSpecs = specs;
    const std::string name = archive.string();
    params.ZipFileName = name.c_str();
    const fs::path previous = fs::current_path();
    fs::current_path(target);
    engine::CallbackChannel channel(params.Callback, nullptr);
    engine::RunExtraction(params, channel);
    fs::current_path(previous);
}

void CheckTarget(const fs::path& target) {
    std::uintmax_t total = 0;
    for (const std::string& name : Listing(target)) {
        if (name[0] == 'l') Violation("the extraction made a link: " + name);
        if (name[0] == '?') Violation("the extraction made something that is neither file nor folder: " + name);
        if (name[0] == 'f') total += fs::file_size(target / name.substr(1));
    }
    if (total > engine::kExtractionOutputCap) Violation("the extraction wrote past its cap");
}

// Entries up to this size are read both ways; the bound keeps an input quick.
constexpr std::uint64_t kComparedSizeCap = 1 << 20;

// Where the engine would read entries' data without libzip, libzip opens
// the archive, sees the same entries, and hands out the same data, damaged
// or not.
void CheckDirectReadingAgrees(const fs::path& archivePath) {
    const auto file = engine::ArchiveFile::OpenIfPresent(archivePath.string(), engine::ArchiveReading::SomeEntries);
    engine::ArchiveLayout layout;
    try {
        layout = engine::ReadDirectoryLayout(*file);
    } catch (const engine::EngineError&) {
        return;  // refused before any reading
    }
    if (!layout.ReadAlikeByLibzip()) return;
    std::optional<test::TwoWayReading> reading;
    try {
        reading.emplace(*file, layout);
    } catch (const engine::EngineError& refusal) {
        Violation(std::string("the engine would read the data itself, but libzip refuses the archive: ") +
                  refusal.what());
    }
    for (std::size_t index = 0; index < layout.entries.size(); ++index) {
        const engine::RawEntry& entry = layout.entries[index];
        if (!engine::ReadableDirectly(entry) || entry.uncompressedSize > kComparedSizeCap) continue;
        const std::optional<test::ReadOutcome> direct = reading->Directly(index);
        if (!direct) continue;
        try {
            if (reading->WithLibzip(index) != *direct)
                Violation("libzip hands out other data than the engine's own reading: " + EscapedEntryName(entry.name));
        } catch (const engine::EntryFailed& failure) {
            Violation(std::string("libzip cannot read an entry the engine reads itself: ") + failure.what());
        }
    }
}

}  // namespace

int CheckExtractEngine(const std::uint8_t* data, std::size_t size) {
    const fs::path work = FuzzWorkFolder() + "/extract";
    fs::remove_all(work);
    const fs::path archive = work / "archive.zip";
    const fs::path target = work / "x/y/target";
    fs::create_directories(target);
    std::ofstream(archive, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const std::vector<std::string> before = Listing(work);
    CheckDirectReadingAgrees(archive);

    for (const char* spec : {"*", "META-INF\\manifest.mf"}) {
        Extract(archive, target, spec);
        CheckTarget(target);
        fs::remove_all(target);
        fs::create_directories(target);
        if (Listing(work) != before) Violation(std::string("something was written outside the target, spec ") + spec);
    }
    return 0;
}

}  // namespace vorlan::fuzz
