// SPDX-License-Identifier: MIT
// Manifest lines as attributes: a continuation line (one that begins with a
// space) joined to the line before it, the key of an attribute line, and the
// text a JAR's manifest must have to be read by Java and by phones.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

class TextLines;

// Joins every continuation line to the line before it, without its leading
// space. A continuation with no line before it loses its space and stands
// alone. Every other line keeps its place.
void JoinContinuationLines(TextLines& lines);

// The attribute name of a line: the text before its first colon, without
// the white space around it; empty for a line without a colon.
std::string_view AttributeName(std::string_view line);

// The lines as a manifest's bytes: a space after each attribute's colon
// where there is none, every line longer than 72 bytes folded into
// continuation lines (never inside a UTF-8 sequence), CR LF after every line.
std::string ManifestText(const TextLines& lines);

}  // namespace vorlan
