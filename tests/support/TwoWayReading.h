// SPDX-License-Identifier: MIT
// An archive's entries read both ways the extract engine can read them:
// through libzip, and straight from the file as the engine does where libzip
// would read the archive alike. Tests and the fuzz target hold the two to
// the same bytes and verdict.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engines/ArchiveLayout.h"
#include "engines/ArchiveSource.h"
#include "engines/CallbackChannel.h"
#include "engines/EntryReader.h"
#include "engines/LibzipArchive.h"

namespace vorlan::test {

struct ReadOutcome {
    std::string bytes;
    engine::DataCondition condition = engine::DataCondition::Good;
    bool operator==(const ReadOutcome&) const = default;
};

class TwoWayReading {
public:
    // Opens the archive in libzip and confirms that libzip sees the layout's
    // entries: ArchiveRefused when it does not.
    TwoWayReading(engine::ArchiveFile& file, const engine::ArchiveLayout& layout);

    // EntryFailed when libzip cannot open the entry.
    ReadOutcome WithLibzip(std::size_t index);
    // Nothing when the entry's local record cannot be read.
    std::optional<ReadOutcome> Directly(std::size_t index);

private:
    ReadOutcome CopyOut(engine::EntryStreamHandle stream, std::uint64_t statedSize);

    engine::ArchiveFile& file_;
    const engine::ArchiveLayout& layout_;
    engine::ArchiveSource source_;
    engine::LibzipArchive archive_;
    engine::CallbackChannel channel_;
    engine::EntryReader reader_;
};

}  // namespace vorlan::test
