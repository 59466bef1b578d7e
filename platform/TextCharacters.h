// SPDX-License-Identifier: MIT
// Counting and cutting UTF-8 text by characters rather than bytes, so that a
// cut never splits a character in two.
#pragma once

#include <cstddef>
#include <string>

namespace vorlan {

// The first `count` characters of text. A byte that does not start or continue
// a valid UTF-8 sequence counts as one character of its own.
std::string FirstCharacters(const std::string& text, std::size_t count);

// The text with every CR LF pair and every lone CR turned into LF: how a text
// built with Windows line ends is shown on this system.
std::string WithLineFeeds(const std::string& text);

}  // namespace vorlan
