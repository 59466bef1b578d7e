// SPDX-License-Identifier: MIT
// The SHA-256 of a file, as reports give a JAR's before and after the run,
// so that a collection's catalogue can be checked against them.
#pragma once

#include <future>
#include <string>

namespace vorlan {

// The file's SHA-256 in lowercase hex (empty when it cannot be read),
// computed by the process's hashing thread, a file after the other. The
// file is opened here, so the hash is of the file as it is now even should
// a commit replace its name before the thread reads it (files are replaced
// by renames, never written over).
std::shared_future<std::string> FileSha256Later(const std::string& path);

// The hash later gives; while it is not ready, the files queued for
// hashing are hashed on the calling thread.
std::string AwaitSha256(const std::shared_future<std::string>& later);

}  // namespace vorlan
