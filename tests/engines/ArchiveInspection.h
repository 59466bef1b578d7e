// SPDX-License-Identifier: MIT
// What another reader (Python's zipfile) sees in an archive: each entry's
// header fields, the ids of its extra fields, and a digest of its stored
// bytes, so tests can tell an entry copied as it was from one rewritten.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlan::test {

struct InspectedEntry {
    std::string name;
    unsigned flags = 0;
    unsigned hostSystem = 0;
    std::uint64_t externalAttributes = 0;
    unsigned method = 0;
    std::string centralExtraIds;  // "5455,7875", or "-" for none
    std::string localExtraIds;
    std::string storedDigest;  // SHA-1 of the entry's stored (compressed) bytes
};

struct InspectedArchive {
    std::vector<InspectedEntry> entries;
    std::string comment;

    const InspectedEntry& entry(const std::string& name) const;  // throws when absent
    std::vector<std::string> names() const;
};

InspectedArchive InspectArchive(const std::filesystem::path& archive);

}  // namespace vorlan::test
