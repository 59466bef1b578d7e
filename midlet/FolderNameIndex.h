// SPDX-License-Identifier: MIT
// Names derived from a suite's path ("Snake.JAR" to "Snake.jad") name an
// existing file of that name in any letter case, as they did on the Windows
// file system. The index answers that from one reading of each folder per
// batch, not one per suite: folders hold thousands of suites.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace vorlan {

class FolderNameIndex {
public:
    // path itself when something exists under it; otherwise an entry of its
    // folder whose name equals path's name ignoring letter case; otherwise path.
    std::string ExistingNameInAnyCase(const std::string& path);

    // Tells the index that the batch created a file under path.
    void Created(const std::string& path);

private:
    // The names as they are on disk, found ignoring letter case (ASCII), per
    // folder: one string per name, as a folder may hold thousands.
    struct CaseInsensitiveHash {
        std::size_t operator()(std::string_view name) const;
    };
    struct CaseInsensitiveEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using Names = std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual>;
    Names& NamesOf(const std::string& folder);

    std::unordered_map<std::string, Names> folders_;
};

}  // namespace vorlan
