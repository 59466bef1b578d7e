// SPDX-License-Identifier: MIT
// Suites that share MIDlet-Name and MIDlet-Vendor: a phone takes the second
// for an update of the first and installs it over it.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

struct SuiteNames {
    std::string name;    // MIDlet-Name; empty when unknown
    std::string vendor;  // MIDlet-Vendor
};

// For each suite (files[i], names[i]) that shares a known name and vendor
// with others, the text of its DUPLICATE_SUITE warning naming them; empty
// for the others.
std::vector<std::string> DuplicateSuiteTexts(const std::vector<std::string>& files,
                                             const std::vector<SuiteNames>& names);

}  // namespace vorlan
