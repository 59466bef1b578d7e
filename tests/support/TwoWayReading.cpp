// SPDX-License-Identifier: MIT
// Reading entries through libzip and directly, for comparison.
#include "tests/support/TwoWayReading.h"

#include "engines/DirectEntryStream.h"

namespace vorlan::test {

namespace {

std::int32_t AnswerNothing(CallbackRecord*) {
    return 0;
}

}  // namespace

TwoWayReading::TwoWayReading(engine::ArchiveFile& file, const engine::ArchiveLayout& layout)
    : file_(file),
      layout_(layout),
      source_(&file, layout.end.archiveStart, layout.end.archiveEnd),
      archive_(source_, engine::OpenMode::ReadOnly, file.Path()),
      channel_(AnswerNothing, nullptr),
      reader_(archive_.Get(), channel_, nullptr) {
    archive_.ConfirmEntries(layout.entries);
}

ReadOutcome TwoWayReading::WithLibzip(std::size_t index) {
    const engine::RawEntry& entry = layout_.entries.at(index);
    return CopyOut(reader_.Open(index, entry.name, entry.Encrypted()), entry.uncompressedSize);
}

std::optional<ReadOutcome> TwoWayReading::Directly(std::size_t index) {
    const engine::RawEntry& entry = layout_.entries.at(index);
    LocalRecordReader locals(file_);
    const std::uint64_t localStart = layout_.end.archiveStart + entry.localHeaderOffset;
    const Decoded<LocalRecord> local = locals.Read(localStart);
    if (!local) return std::nullopt;
    return CopyOut(
        std::make_unique<engine::DirectEntryStream>(file_, localStart + local->Size(), layout_.end.archiveEnd, entry),
        entry.uncompressedSize);
}

ReadOutcome TwoWayReading::CopyOut(engine::EntryStreamHandle stream, std::uint64_t statedSize) {
    ReadOutcome outcome;
    outcome.condition = reader_.Copy(std::move(stream), statedSize, [&outcome](std::span<const std::uint8_t> piece) {
        outcome.bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    });
    return outcome;
}

}  // namespace vorlan::test
