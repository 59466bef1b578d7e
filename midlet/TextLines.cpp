// SPDX-License-Identifier: MIT
// The text form of manifests and descriptors.
#include "midlet/TextLines.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

std::vector<std::string> SplitTextLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));  // a NUL ends the text
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        const bool crLf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        i += crLf ? 2 : 1;
        start = i;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

void TextLines::SetText(std::string_view text) {
    lines_ = SplitTextLines(text);
}

std::string TextLines::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

namespace {

constexpr const char* kTooLarge = "larger than 16 MiB, too large for a manifest or descriptor";

[[noreturn]] void ThrowReadFailure(const std::string& path, const std::string& why) {
    throw std::runtime_error("Cannot read \"" + path + "\": " + why);
}

void ThrowOnReadError(int error, const std::string& path) {
    if (error == kNotRegularFile) ThrowReadFailure(path, "not a file");
    if (error == EFBIG) ThrowReadFailure(path, kTooLarge);
    if (error != 0) ThrowReadFailure(path, std::strerror(error));
}

// The lines SplitTextLines would make of text, counted without making them.
std::size_t CountLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        ++lines;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    const bool lastLineOpen = !text.empty() && text.back() != '\r' && text.back() != '\n';
    return lines + (lastLineOpen ? 1 : 0);
}

}  // namespace

std::string TextLines::LoadFromFile(const std::string& path) {
    std::string text;
    ThrowOnReadError(ReadRegularFile(path, text, kMaxFileSize), path);
    return SetTextOfFile(std::move(text), path);
}

std::string TextLines::LoadFromOpenFile(int fd, const std::string& path) {
    std::string text;
    ThrowOnReadError(ReadRegularFile(fd, text, kMaxFileSize), path);
    return SetTextOfFile(std::move(text), path);
}

std::string TextLines::SetTextOfFile(std::string text, const std::string& path) {
    if (CountLines(text) > kMaxLines)
        ThrowReadFailure(path,
                         "more than " + std::to_string(kMaxLines) + " lines, too many for a manifest or descriptor");
    SetText(text);
    return text;
}

}  // namespace vorlan
