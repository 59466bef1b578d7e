// SPDX-License-Identifier: MIT
// Whether a user's file may be replaced by renaming a new file over it, found
// out before anything is written: a suite whose JAD cannot be replaced must
// fail before its JAR is touched.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

namespace vorlan {

// What has the name now (lstat: a link is replaced, not followed), or nothing.
// Throws a runtime_error saying why when the name cannot be given to a new
// file: it is a folder, a file nobody may write (the Windows read-only
// attribute's meaning), immutable or append-only, another user's (and not
// the folder owner's) in a folder others may write to, or the folder cannot
// be written.
std::optional<struct stat> CheckReplaceable(const std::string& path);

// The file a path names after following links (the path itself when it is
// no link or names nothing yet), so that a link's target is replaced and the
// link stays. Throws a FileCommitError for a link that is not followed:
// another user's in a folder others may write to (unless the folder owner's),
// at any step of the chain, and a link to nothing.
std::string ResolveLinks(std::string path);

// Writes bytes to path at once: a pending file beside it, the old file's
// permission bits, then the name. No flush: for scratch files and the like;
// the user's files go through a commit group.
void ReplaceFileNow(const std::string& path, std::string_view bytes);

}  // namespace vorlan
