// SPDX-License-Identifier: MIT
// Names and paths as the batch reads them.
#include "midlet/PathNames.h"

#include <algorithm>

namespace vorlan {

namespace {

char LowerAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAsciiChar);
    return lower;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view lowerNeedle) {
    const auto found = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                                   [](char a, char b) { return LowerAsciiChar(a) == b; });
    return found != text.end() || lowerNeedle.empty();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return LowerAsciiChar(x) == LowerAsciiChar(y); });
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
    const std::string name = FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : LowerAscii(name.substr(dot));
}

std::string ReplaceLastThree(const std::string& path, std::string_view replacement) {
    const std::size_t kept = path.size() >= 3 ? path.size() - 3 : 0;
    return path.substr(0, kept) + std::string(replacement);
}

}  // namespace vorlan
