// SPDX-License-Identifier: MIT
// Decoding whole central records and walking a directory of them.
#include "zipformat/DirectoryWalker.h"

#include "zipformat/LittleEndianReader.h"

namespace vorlan {

namespace {

// Sizes and offset that do not fit 32 bits are in the Zip64 extra field, in
// this order, present only where the fixed field holds all ones.
void WidenFromZip64(CentralRecord& record) {
    if (record.uncompressedSize != kInZip64Extra && record.compressedSize != kInZip64Extra &&
        record.localHeaderOffset != kInZip64Extra)
        return;
    const auto data = FindExtraBlock(AsBytes(record.extra), kZip64ExtraId);
    if (!data) return;
    LittleEndianReader values(*data);
    if (record.uncompressedSize == kInZip64Extra) record.uncompressedSize = values.U64();
    if (record.compressedSize == kInZip64Extra) record.compressedSize = values.U64();
    if (record.localHeaderOffset == kInZip64Extra) record.localHeaderOffset = values.U64();
    record.zip64CutShort = !values.Ok();
}

}  // namespace

CentralFacts CentralRecord::Facts() const {
    return CentralFacts{name, header.flags, header.method, header.crc, compressedSize, uncompressedSize};
}

Decoded<CentralRecord> DecodeCentralRecord(std::span<const std::uint8_t> bytes) {
    if (!StartsWithSignature(bytes, kCentralHeaderSignature)) return RecordFault::WrongSignature;
    const Decoded<CentralHeader> header = DecodeCentralHeader(bytes);
    if (!header) return header.Fault();
    LittleEndianReader reader(bytes.subspan(kCentralHeaderSize));
    CentralRecord record;
    record.header = *header;
    record.name = AsText(reader.Take(header->nameLength));
    record.extra = AsText(reader.Take(header->extraLength));
    record.comment = AsText(reader.Take(header->commentLength));
    if (!reader.Ok()) return RecordFault::Truncated;
    record.compressedSize = header->compressedSize;
    record.uncompressedSize = header->uncompressedSize;
    record.localHeaderOffset = header->localHeaderOffset;
    WidenFromZip64(record);
    return record;
}

Decoded<CentralRecord> CentralDirectoryWalker::Next() {
    Decoded<CentralRecord> record = DecodeCentralRecord(rest_);
    if (record) rest_ = rest_.subspan(record->Size());
    return record;
}

bool CentralDirectoryWalker::AnotherRecordFollows() const {
    return StartsWithSignature(rest_, kCentralHeaderSignature);
}

}  // namespace vorlan
