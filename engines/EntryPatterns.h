// SPDX-License-Identifier: MIT
// Entry names and file patterns: how they compare (ignoring letter case, "/" and
// "\" alike, "*" and "?" as wildcards) and whether a name may become a path
// below a target folder. Names are judged here, once, where they become paths.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vorlan::engine {

// The form names compare in: ASCII letters in lower case, "\" as "/".
std::string NameKey(std::string_view name);

// Hashing and comparing names as their keys would, without making the keys;
// containers of names looked up with either take any string as it is.
// (is_transparent is the name the standard library looks for.)
struct NameKeyHash {
    using is_transparent = void;  // NOLINT(readability-identifier-naming)
    std::size_t operator()(std::string_view name) const;
};
struct NameKeyEqual {
    using is_transparent = void;  // NOLINT(readability-identifier-naming)
    bool operator()(std::string_view left, std::string_view right) const;
};

// Whether the file pattern selects the name. "*" matches any run of characters,
// separators included; "?" matches one character.
bool PatternMatches(std::string_view pattern, std::string_view name);

// A list of patterns asked about many names. Callers often pass every entry
// name as a pattern of its own: patterns without wildcards are looked up by key,
// so selecting stays linear in the number of entries.
class PatternSelection {
public:
    explicit PatternSelection(const std::vector<std::string_view>& patterns);
    bool Selects(std::string_view name) const;

private:
    std::unordered_set<std::string, NameKeyHash, NameKeyEqual> exactPatterns_;
    // A pattern selects only names of its length: names of no other length
    // are not hashed (an extraction of the manifest looks at every name).
    std::unordered_set<std::size_t> exactLengths_;
    std::vector<std::string> wildcardPatterns_;
};

// A name that is safe to write below a folder, split into its components.
struct SafeEntryPath {
    std::vector<std::string> components;  // at least one; none is "", "." or ".."
    bool isFolder = false;                // the name ends in a separator
};

// Nothing when the name is empty, holds a NUL byte, is absolute, starts with
// a drive letter ("C:"), or has a ".." component (with either separator);
// nothing too when it cannot be a path here: a component longer than a file
// name may be, or more folder levels than any suite holds.
constexpr std::size_t kLongestComponent = 255;
constexpr std::size_t kMostComponents = 128;
std::optional<SafeEntryPath> JudgeEntryName(std::string_view name);

}  // namespace vorlan::engine
