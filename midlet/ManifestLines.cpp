// SPDX-License-Identifier: MIT
// Logical manifest lines and the manifest form of a line list.
#include "midlet/ManifestLines.h"

#include <algorithm>
#include <vector>

#include "midlet/TextLines.h"

namespace vorlan {

void JoinContinuationLines(TextLines& lines) {
    std::vector<std::string> joined;
    joined.reserve(lines.Count());
    for (const std::string& line : lines.Lines()) {
        const bool continuation = !line.empty() && line.front() == ' ';
        if (!continuation) {
            joined.push_back(line);
        } else if (joined.empty() || joined.back().empty()) {
            // A continuation of nothing (the first line, or one after an empty
            // line) loses all its leading spaces: kept, they would make it a
            // continuation again when the lines are joined or written once
            // more, and glue it to whatever line was put before it meanwhile.
            const std::size_t text = std::min(line.find_first_not_of(' '), line.size());
            if (joined.empty()) joined.emplace_back();
            joined.back().append(line, text);
        } else {
            joined.back().append(line, 1);
        }
    }
    lines.Clear();
    for (std::string& line : joined) lines.Add(std::move(line));
}

std::string_view AttributeName(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view name = line.substr(0, colon);
    const std::size_t first = name.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = name.find_last_not_of(" \t");
    return name.substr(first, last - first + 1);
}

namespace {

// Java refuses a header without a space after its colon; a JAD may omit it.
std::string WithSpaceAfterColon(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || (colon + 1 < line.size() && line[colon + 1] == ' ')) return line;
    return line.substr(0, colon + 1) + ' ' + line.substr(colon + 1);
}

bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Appends line to text as physical lines of at most 72 bytes: the first
// holds 72 bytes, each continuation a space and 71 more.
void AppendFolded(std::string& text, const std::string& line) {
    constexpr std::size_t kMostBytes = 72;
    std::size_t start = 0;
    std::size_t room = kMostBytes;
    while (line.size() - start > room) {
        std::size_t end = start + room;
        // A character cut in two would be two invalid halves to a reader
        // that decodes each physical line on its own.
        while (end > start + 1 && IsUtf8Continuation(line[end])) --end;
        text.append(line, start, end - start);
        text += "\r\n ";
        start = end;
        room = kMostBytes - 1;
    }
    text.append(line, start);
    text += "\r\n";
}

}  // namespace

std::string ManifestText(const TextLines& lines) {
    std::string text;
    for (const std::string& line : lines.Lines()) AppendFolded(text, WithSpaceAfterColon(line));
    return text;
}

}  // namespace vorlan
