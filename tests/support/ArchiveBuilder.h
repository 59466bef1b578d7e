// An archive builder for tests that need zip files no real tool writes: every
// field of the central directory and the end record can be set by hand, so
// each broken archive states in code what is wrong with it. Entry data is
// stored (method 0) behind local headers as a reader expects them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlan::test {

struct BuilderEntry {
    std::string name;
    std::string data;
    std::uint8_t versionMadeBy = 20;  // 2.0
    std::uint8_t hostSystem = 3;      // Unix
    std::uint16_t flags = 0;
    std::uint32_t externalAttributes = 0;
    std::string extra;
    std::string comment;
    // Values written in the central header instead of the true ones.
    std::optional<std::uint16_t> nameLengthField = std::nullopt;
    std::optional<std::uint16_t> extraLengthField = std::nullopt;
    std::optional<std::uint16_t> commentLengthField = std::nullopt;
    std::optional<std::uint32_t> signatureField = std::nullopt;  // instead of 0x02014B50
};

// End record fields written instead of the computed ones.
struct EndRecordOverrides {
    std::optional<std::uint16_t> thisDisk = std::nullopt;
    std::optional<std::uint16_t> centralDirDisk = std::nullopt;
    std::optional<std::uint16_t> entriesThisDisk = std::nullopt;
    std::optional<std::uint16_t> totalEntries = std::nullopt;
    std::optional<std::uint32_t> centralDirSize = std::nullopt;
    std::optional<std::uint32_t> centralDirOffset = std::nullopt;
    std::optional<std::uint16_t> commentLength = std::nullopt;
};

// Where the parts of a built archive lie in the file.
struct BuiltLayout {
    std::size_t centralDirOffset = 0;
    std::size_t centralDirSize = 0;
    std::vector<std::size_t> centralHeaderOffsets;
    std::size_t endRecordOffset = 0;
};

class ArchiveBuilder {
public:
    ArchiveBuilder& Prepend(std::string bytes);  // data in front of the archive (a stub)
    ArchiveBuilder& Add(BuilderEntry entry);
    ArchiveBuilder& Add(const std::string& name, const std::string& data);
    ArchiveBuilder& Comment(std::string comment);  // the archive comment
    ArchiveBuilder& Override(const EndRecordOverrides& overrides);

    std::string Build(BuiltLayout* layout = nullptr) const;

    // A 22-byte end record on its own.
    static std::string EndRecord(std::uint16_t thisDisk, std::uint16_t centralDirDisk, std::uint16_t entriesThisDisk,
                                 std::uint16_t totalEntries, std::uint32_t centralDirSize,
                                 std::uint32_t centralDirOffset, std::uint16_t commentLength);

private:
    std::string prefix_;
    std::vector<BuilderEntry> entries_;
    std::string comment_;
    EndRecordOverrides overrides_;
};

}  // namespace vorlan::test
