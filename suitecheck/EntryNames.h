// SPDX-License-Identifier: MIT
// A JAR's entry names, taken whole in directory order and then looked up by
// exact name: the names kept in one array and an order sorted once, rather
// than a tree node per name, as every suite a batch writes is checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

class EntryNames {
public:
    EntryNames() = default;
    explicit EntryNames(std::vector<std::string> inDirectoryOrder);

    std::size_t Count() const { return names_.size(); }
    // The index-th name of the directory.
    const std::string& operator[](std::size_t index) const { return names_[index]; }
    // Whether an entry before the index-th has the same name.
    bool Repeated(std::size_t index) const { return repeated_[index]; }
    bool Has(std::string_view name) const;
    // The distinct names in byte order.
    std::vector<std::string_view> Sorted() const;

private:
    std::vector<std::string> names_;
    std::vector<bool> repeated_;
    std::vector<std::uint32_t> distinct_;  // the first entry of each name, in the names' byte order
};

}  // namespace vorlan
