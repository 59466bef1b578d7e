// SPDX-License-Identifier: MIT
// The MIDP versions the checker knows.
#include "suitecheck/CheckOptions.h"

#include <algorithm>
#include <array>

namespace vorlan {

namespace {

constexpr std::array<std::string_view, 3> kProfiles{"MIDP-1.0", "MIDP-2.0", "MIDP-2.1"};

}  // namespace

const char* KnownProfiles() {
    return "MIDP-1.0, MIDP-2.0, MIDP-2.1";
}

bool IsKnownProfile(std::string_view profile) {
    return std::find(kProfiles.begin(), kProfiles.end(), profile) != kProfiles.end();
}

bool ProfileAccepted(const SuiteCheckOptions& options, std::string_view profile) {
    const auto asked = std::find(kProfiles.begin(), kProfiles.end(), profile);
    const auto phone = std::find(kProfiles.begin(), kProfiles.end(), options.profile);
    return asked != kProfiles.end() && phone != kProfiles.end() && asked <= phone;
}

}  // namespace vorlan
