// SPDX-License-Identifier: MIT
// Comparing names, matching file patterns, judging names that become paths.
#include "engines/EntryPatterns.h"

#include <cstdint>

namespace vorlan::engine {

namespace {

char KeyChar(char c) {
    if (c == '\\') return '/';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool StartsWithDriveLetter(std::string_view name) {
    const bool letter = !name.empty() && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    return letter && name.size() >= 2 && name[1] == ':';
}

}  // namespace

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = KeyChar(c);
    return key;
}

std::size_t NameKeyHash::operator()(std::string_view name) const {
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(KeyChar(c))) * 1099511628211u;
    return static_cast<std::size_t>(hash);
}

bool NameKeyEqual::operator()(std::string_view left, std::string_view right) const {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (KeyChar(left[i]) != KeyChar(right[i])) return false;
    return true;
}

// Greedy matching that backtracks only to the last "*": linear in practice
// and never exponential, whatever the file pattern.
bool PatternMatches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || KeyChar(pattern[p]) == KeyChar(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

PatternSelection::PatternSelection(const std::vector<std::string_view>& patterns) {
    for (const std::string_view pattern : patterns) {
        if (pattern.find_first_of("*?") == std::string_view::npos) {
            exactPatterns_.emplace(pattern);
            exactLengths_.insert(pattern.size());
        } else {
            wildcardPatterns_.emplace_back(pattern);
        }
    }
}

bool PatternSelection::Selects(std::string_view name) const {
    if (exactLengths_.count(name.size()) != 0 && exactPatterns_.contains(name)) return true;
    for (const std::string& pattern : wildcardPatterns_)
        if (PatternMatches(pattern, name)) return true;
    return false;
}

std::optional<SafeEntryPath> JudgeEntryName(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
    if (IsSeparator(name.front()) || StartsWithDriveLetter(name)) return std::nullopt;
    SafeEntryPath path;
    path.isFolder = IsSeparator(name.back());
    std::size_t begin = 0;
    while (begin <= name.size()) {
        std::size_t end = begin;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const std::string_view component = name.substr(begin, end - begin);
        if (component == ".." || component.size() > kLongestComponent) return std::nullopt;
        if (!component.empty() && component != ".") path.components.emplace_back(component);
        begin = end + 1;
    }
    if (path.components.empty() || path.components.size() > kMostComponents) return std::nullopt;
    return path;
}

}  // namespace vorlan::engine
