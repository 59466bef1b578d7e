// SPDX-License-Identifier: MIT
// A suite's JAR as the checker sees it: its directory walked once, and every
// entry read from the bytes the directory points to, its local record, size
// and CRC compared with the directory's. Bounded: a manifest or class file
// above 16 MiB is not read, nor entries past 512 MiB inflated in all, and
// data several records share is read once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "suitecheck/EntryNames.h"
#include "suitecheck/Findings.h"

namespace vorlan {

struct SuiteArchive {
    bool readable = false;                // a zip whose directory could be read
    std::uint64_t size = 0;               // in bytes
    EntryNames names;                     // entry names as stored
    std::optional<std::string> manifest;  // META-INF/MANIFEST.MF, when it read soundly
};

// Given each class file that reads soundly, one at a time, while the JAR is read.
using ClassFileVisitor = std::function<void(const std::string& name, const std::string& content)>;

// Which entries' data is read: every entry's (the check), or only the
// manifest's and the class files' (a scan for the classes a JAR names, which
// judges nothing else: images and data are most of a JAR's bytes).
enum class EntryReads { All, ManifestAndClasses };

// Reads the JAR; whatever makes it an unsound zip is a ZIP_FORMAT error.
// Changes nothing.
SuiteArchive ReadSuiteArchive(const std::string& path, Findings& findings, const ClassFileVisitor& eachClass,
                              EntryReads reads = EntryReads::All);

}  // namespace vorlan
