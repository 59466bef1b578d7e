// SPDX-License-Identifier: MIT
// Suites that share MIDlet-Name and MIDlet-Vendor: a phone takes the second
// for an update of the first and installs it over it.
#pragma once

#include <string>
#include <vector>

#include "suitecheck/Findings.h"

namespace vorlan {

struct SuiteNames {
    std::string name;    // MIDlet-Name; empty when unknown
    std::string vendor;  // MIDlet-Vendor
};

// Adds to the findings of each suite (files[i], names[i], findings[i]) that
// shares a known name and vendor with others a DUPLICATE_SUITE warning
// naming them.
void AddDuplicateFindings(const std::vector<std::string>& files, const std::vector<SuiteNames>& names,
                          std::vector<Findings>& findings);

}  // namespace vorlan
