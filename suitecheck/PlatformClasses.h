// SPDX-License-Identifier: MIT
// The public classes of the J2ME platform (CLDC, MIDP and the optional
// packages phones commonly carry), by name and superclass, and which of them
// a phone has: the configuration and profile a suite declares, plus the
// optional packages the user says the phone has.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

// The sets of classes a phone may carry. A later version of a configuration
// or profile holds only what it adds to the one before it.
enum class ApiSet : std::uint8_t {
    Cldc10,
    Cldc11,
    Midp10,
    Midp20,
    Jsr75File,
    Jsr75Pim,
    Jsr82Bluetooth,
    Jsr82Obex,
    Jsr120,
    Jsr205,
    Jsr135,
    Jsr172,
    Jsr177,
    Jsr179,
    Jsr184,
    Jsr226,
    Jsr234,
    Jsr256,
    Count
};

// A set of ApiSet values, one bit each.
using ApiSets = std::uint32_t;

constexpr ApiSets Bit(ApiSet set) {
    return ApiSets{1} << static_cast<unsigned>(set);
}

struct PlatformClass {
    std::string superclass;  // empty for java/lang/Object
    ApiSets sets = 0;        // every set that holds the class
};

// The platform class of this internal name ("java/lang/String"), or null.
const PlatformClass* FindPlatformClass(std::string_view name);

// Every platform class name, for tests of the table.
std::vector<std::string> PlatformClassNames();

// The optional packages of a --platform list: names such as "jsr75",
// "JSR-82" or "jsr 184", separated by commas; "none" alone for none.
// Throws std::invalid_argument for a name it does not know.
ApiSets ParseOptionalPackages(std::string_view list);

// The optional packages most MIDP 2.0 phones carry: JSR 75, 82, 120, 135
// and 184.
ApiSets DefaultOptionalPackages();

// The names ParseOptionalPackages takes, for messages and help.
const char* OptionalPackageNames();

// What a phone has: CLDC and MIDP as a suite declares them
// (MicroEdition-Configuration, MicroEdition-Profile; CLDC 1.1 and MIDP 2.0
// when it declares none it knows), and the optional packages.
class Platform {
public:
    Platform(std::string_view configuration, std::string_view profile, ApiSets optionalPackages);

    bool Has(std::string_view className) const;
    // Why a class the platform lacks is missing, for a finding: "not in CLDC
    // 1.1", "in JSR 179 (location), which the phone lacks", ...
    std::string WhyMissing(std::string_view className) const;

private:
    ApiSets sets_ = 0;
    bool cldc11_ = true;
};

}  // namespace vorlan
