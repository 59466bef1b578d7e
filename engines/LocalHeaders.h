// SPDX-License-Identifier: MIT
// Whether each entry's local header (APPNOTE 4.3.7) says what its central
// directory record says. Readers that walk the local headers (a phone's
// installer, java.util.jar.JarInputStream) and readers that use the
// directory (java.util.jar.JarFile, libzip) would otherwise see different
// archives, and rewriting one would copy the directory's values over the
// local ones: an archive whose two records disagree is refused whole.
#pragma once

#include <cstdint>
#include <vector>

#include "engines/ArchiveFile.h"
#include "engines/CentralDirectory.h"
#include "engines/EndRecord.h"

namespace vorlan::engine {

// Raises ArchiveRefused naming the first chosen entry (by index into entries)
// whose local header carries another name, method, CRC, size or flag than its
// central record. An entry whose local header cannot be read takes no part:
// it fails on its own when it is read.
void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries,
                            const std::vector<std::uint64_t>& chosen);

// The same for every entry.
void CheckLocalHeadersAgree(ArchiveFile& file, const EndRecordInfo& end, const std::vector<RawEntry>& entries);

}  // namespace vorlan::engine
