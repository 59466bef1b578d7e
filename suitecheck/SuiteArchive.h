// A suite's JAR as the checker sees it: its directory read by the archive
// component, and every entry read from the bytes the directory points to,
// its local header, size and CRC compared with the directory's.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "suitecheck/Findings.h"

namespace vorlan {

struct SuiteArchive {
    bool readable = false;        // a zip whose directory could be read
    std::uint64_t size = 0;       // in bytes
    std::set<std::string> names;  // entry names, "/" between folders
    // The contents of the manifest and of every class file that read soundly.
    std::map<std::string, std::string> contents;
};

// Reads the JAR; whatever makes it an unsound zip is a ZIP_FORMAT error.
// Changes nothing: the archive is only opened when it exists.
SuiteArchive ReadSuiteArchive(const std::string& path, Findings& findings);

}  // namespace vorlan
