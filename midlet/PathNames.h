// SPDX-License-Identifier: MIT
// Names and paths as the batch reads them: extensions and keys compared in
// ASCII lower case, paths derived by replacing their last three characters,
// and the file-name part.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

std::string LowerAscii(std::string_view text);

// True when lowerNeedle (already lower case) occurs in text in any letter case.
bool ContainsIgnoringCase(std::string_view text, std::string_view lowerNeedle);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Everything after the last "/"; the whole path when it has none.
std::string FileNamePart(const std::string& path);

// The file name's extension from its last dot, in lower case ("" when none):
// "Snake.JAR" gives ".jar".
std::string LowerExtension(const std::string& path);

// The path with its last three characters replaced: ("Snake.JAR", "jad")
// gives "Snake.jad".
std::string ReplaceLastThree(const std::string& path, std::string_view replacement);

}  // namespace vorlan
