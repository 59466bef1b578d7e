// SPDX-License-Identifier: MIT
// The suites in a folder tree, as -r and a dropped folder take them: every
// file the mode would process, in a fixed order, so that two runs over the
// same collection list it alike.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vorlan {

enum class SuiteWalkKind {
    Jars,         // JARs (mode 0): every ".jar", in any letter case
    Descriptors,  // suites by their JAD (mode 1, --check): ".jad", and ".jar" without a JAD beside it
};

// A folder of the tree could not be read. The walk stops rather than leave
// out the suites in it without a word: a collection run that silently skips
// a folder looks like one that processed everything.
class SuiteWalkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A folder by its device and inode number.
using FolderId = std::pair<std::uint64_t, std::uint64_t>;

// The paths below folder (relative to it, "/" between names) of the files
// kind takes. Each folder's names are sorted by byte value and a subfolder's
// files come where its name sorts (depth first). Links to files count as the
// files they name; links to folders are not followed (a link may lead out of
// the tree or round in a loop). Hidden folders, Vorlan's own pending files and
// commit journals, and anything that is not a regular file (FIFOs, devices)
// are skipped, and so are the folders below it that left names (the output
// folder of prepared copies: walking it would process the copies of an
// earlier run). Throws SuiteWalkError when folder or a folder below it cannot
// be read.
std::vector<std::string> WalkSuites(const std::string& folder, SuiteWalkKind kind,
                                    const std::vector<FolderId>& left = {});

// The folder's FolderId, or nothing when it does not exist (yet).
std::optional<FolderId> FolderIdOf(const std::string& folder);

}  // namespace vorlan
