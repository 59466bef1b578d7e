// SPDX-License-Identifier: MIT
// The SHA-256 of a file, as reports give a JAR's before and after the run,
// so that a collection's catalogue can be checked against them.
#pragma once

#include <string>

namespace vorlan {

// The file's SHA-256 in lowercase hex; empty when it cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace vorlan
