// Comparing local headers with their central records.
#include "engines/LocalHeaders.h"

#include <array>
#include <numeric>
#include <optional>
#include <string>

#include "engines/EngineErrors.h"
#include "engines/EntryNaming.h"
#include "zipformat/EntryHeaders.h"
#include "zipformat/LittleEndianReader.h"

namespace vorlan::engine {

namespace {

// The flags that change how an entry is read or named: encryption (bits 0
// and 6), sizes and CRC after the data (3), patched data (5), UTF-8 name
// (11), masked local header (13). The others (deflate options, reserved)
// say nothing a reader acts on.
constexpr std::uint16_t kFlagsThatMatter = kFlagEncrypted | kFlagDataDescriptor | kFlagPatchedData |
                                           kFlagStrongEncryption | kFlagUtf8Name | kFlagMaskedLocalHeader;

// A local header's values as compared, its sizes widened by its Zip64 extra.
struct LocalValues {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::string name;
    bool sizesFound = true;  // false: marked as in a Zip64 extra that is not there
};

// The Zip64 extra of a local header should hold both sizes, uncompressed
// first (APPNOTE 4.5.3); some writers give only the one marked by all ones
// in its fixed field, as the central record does.
bool ApplyLocalZip64(std::span<const std::uint8_t> extra, LocalValues& header) {
    const auto data = FindExtraBlock(extra, kZip64ExtraId);
    if (!data) return false;
    LittleEndianReader values(*data);
    const bool both = data->size() >= 16;
    if (both || header.uncompressedSize == kInZip64Extra) header.uncompressedSize = values.U64();
    if (both || header.compressedSize == kInZip64Extra) header.compressedSize = values.U64();
    return values.Ok();
}

std::optional<LocalValues> ReadLocalHeader(ArchiveFile& file, std::uint64_t position) {
    std::array<std::uint8_t, kLocalHeaderSize> fixed{};
    if (!file.ReadAt(position, fixed.data(), fixed.size())) return std::nullopt;
    const Decoded<LocalHeader> decoded = DecodeLocalHeader(fixed);
    if (!decoded) return std::nullopt;
    LocalValues header;
    header.flags = decoded->flags;
    header.method = decoded->method;
    header.crc = decoded->crc;
    header.compressedSize = decoded->compressedSize;
    header.uncompressedSize = decoded->uncompressedSize;
    std::vector<std::uint8_t> variable(decoded->VariableLength());
    if (!file.ReadAt(position + kLocalHeaderSize, variable.data(), variable.size())) return std::nullopt;
    header.name.assign(variable.begin(), variable.begin() + decoded->nameLength);
    if (header.compressedSize == kInZip64Extra || header.uncompressedSize == kInZip64Extra) {
        header.sizesFound =
            ApplyLocalZip64(std::span<const std::uint8_t>(variable).subspan(decoded->nameLength), header);
    }
    return header;
}

// With sizes and CRC after the data, the local header may hold zeros instead.
bool SameValue(std::uint64_t local, std::uint64_t central, bool dataDescriptor) {
    return local == central || (dataDescriptor && local == 0);
}

// What the local header says otherwise than the central record; "" when
// they agree.
std::string Disagreement(const LocalValues& local, const RawEntry& central) {
    if (local.name != central.name) return "name";
    if (local.method != central.method) return "compression method";
    if ((local.flags & kFlagsThatMatter) != (central.flags & kFlagsThatMatter)) return "flags";
    const bool descriptor = (central.flags & kFlagDataDescriptor) != 0;
    if (!SameValue(local.crc, central.crc, descriptor)) return "CRC";
    if (!local.sizesFound) return "sizes";
    if (!SameValue(local.compressedSize, central.compressedSize, descriptor)) return "compressed size";
    if (!SameValue(local.uncompressedSize, central.uncompressedSize, descriptor)) return "size";
    return "";
}

}  // namespace

void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                            const std::vector<std::uint64_t>& chosen) {
    for (const std::uint64_t index : chosen) {
        const RawEntry& entry = entries.at(index);
        const std::optional<LocalValues> local = ReadLocalHeader(file, end.archiveStart + entry.localHeaderOffset);
        if (!local) continue;
        const std::string field = Disagreement(*local, entry);
        if (!field.empty())
            throw ArchiveRefused("the local header of \"" + EscapedName(entry.name) + "\" disagrees with its central " +
                                 "directory record (" + field + ")");
    }
}

void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries) {
    std::vector<std::uint64_t> every(entries.size());
    std::iota(every.begin(), every.end(), std::uint64_t{0});
    CheckLocalHeadersAgree(file, end, entries, every);
}

}  // namespace vorlan::engine
