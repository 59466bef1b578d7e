// SPDX-License-Identifier: MIT
// Decoding the end records field by field.
#include "zipformat/EndRecords.h"

#include "zipformat/FormatConstants.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan {

bool EndRecord::DefersToZip64() const {
    return entriesThisDisk == 0xFFFF || totalEntries == 0xFFFF || directorySize == kInZip64Extra ||
           directoryOffset == kInZip64Extra;
}

Decoded<EndRecord> DecodeEndRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kEndRecordSize) return RecordFault::Truncated;
    LittleEndianReader reader(bytes);
    if (reader.U32() != kEndRecordSignature) return RecordFault::WrongSignature;
    EndRecord record;
    record.thisDisk = reader.U16();
    record.directoryDisk = reader.U16();
    record.entriesThisDisk = reader.U16();
    record.totalEntries = reader.U16();
    record.directorySize = reader.U32();
    record.directoryOffset = reader.U32();
    record.commentLength = reader.U16();
    return record;
}

Decoded<Zip64Locator> DecodeZip64Locator(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kZip64LocatorSize) return RecordFault::Truncated;
    LittleEndianReader reader(bytes);
    if (reader.U32() != kZip64LocatorSignature) return RecordFault::WrongSignature;
    Zip64Locator locator;
    locator.endRecordDisk = reader.U32();
    locator.endRecordOffset = reader.U64();
    locator.totalDisks = reader.U32();
    return locator;
}

Decoded<Zip64EndRecord> DecodeZip64EndRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kZip64EndRecordSize) return RecordFault::Truncated;
    LittleEndianReader reader(bytes);
    if (reader.U32() != kZip64EndRecordSignature) return RecordFault::WrongSignature;
    Zip64EndRecord record;
    record.recordSize = reader.U64();
    record.versionMadeBy = reader.U16();
    record.versionNeeded = reader.U16();
    record.thisDisk = reader.U32();
    record.directoryDisk = reader.U32();
    record.entriesThisDisk = reader.U64();
    record.totalEntries = reader.U64();
    record.directorySize = reader.U64();
    record.directoryOffset = reader.U64();
    return record;
}

}  // namespace vorlan
