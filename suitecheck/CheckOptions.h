// SPDX-License-Identifier: MIT
// What the suite checker is told of the phone: the MIDP version it runs,
// which decides the MicroEdition-Profile values it takes.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

struct SuiteCheckOptions {
    std::string profile = "MIDP-2.0";  // the phone's MIDP version, one of KnownProfiles()
};

// The MIDP versions a phone may run, oldest first: "MIDP-1.0, MIDP-2.0, MIDP-2.1".
const char* KnownProfiles();
bool IsKnownProfile(std::string_view profile);

// Whether a phone of options' profile runs a suite that asks for profile: a
// phone runs its own MIDP version and every earlier one.
bool ProfileAccepted(const SuiteCheckOptions& options, std::string_view profile);

}  // namespace vorlan
