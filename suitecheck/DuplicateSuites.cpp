// SPDX-License-Identifier: MIT
// Suites of one check that a phone would take for one another.
#include "suitecheck/DuplicateSuites.h"

#include <map>
#include <utility>

#include "platform/ShownNames.h"

namespace vorlan {

std::vector<std::string> DuplicateSuiteTexts(const std::vector<std::string>& files,
                                             const std::vector<SuiteNames>& names) {
    std::vector<std::string> texts(names.size());
    std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> suitesByName;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!names[i].name.empty() && !names[i].vendor.empty())
            suitesByName[{names[i].name, names[i].vendor}].push_back(i);
    for (const auto& [identity, suites] : suitesByName) {
        if (suites.size() < 2) continue;
        for (const std::size_t suite : suites) {
            std::string others;
            for (const std::size_t other : suites)
                if (other != suite) others += (others.empty() ? "" : ", ") + ShownFileName(files[other]);
            texts[suite] = "same MIDlet-Name and MIDlet-Vendor as " + others + "; a phone installs one over the other";
        }
    }
    return texts;
}

}  // namespace vorlan
