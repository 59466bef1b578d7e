// SPDX-License-Identifier: MIT
// A JAR whose manifest entry is stored under another letter case
// ("meta-inf/manifest.mf"), which Java and phones do not find, given the one
// name they look for.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

class TZip;

// The manifest's entry name as the component lists it ("\\" between folders).
constexpr std::string_view kManifestComponentName = "META-INF\\MANIFEST.MF";

// jar (the archive's bytes) with the manifest entry's name set to
// META-INF/MANIFEST.MF in its local and its central header. directory is the
// archive's directory as the component read it. The name keeps its length,
// so no offset, size or CRC moves and every other byte stays. Throws when
// the headers are not where the directory says.
std::string WithManifestNameInItsCase(std::string jar, const TZip& directory);

}  // namespace vorlan
