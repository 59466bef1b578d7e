// SPDX-License-Identifier: MIT
// The MIDP 2.0 installer's rules over a suite's attributes: what the JAD and
// the manifest must hold, in what form, where they must agree, and what the
// JAR must contain for the midlets, push entries and icons they name.
#pragma once

#include <string>

#include "suitecheck/CheckOptions.h"
#include "suitecheck/Findings.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

struct SuiteAttributes {
    const Attributes* jad = nullptr;        // null for a JAR alone
    const Attributes* manifest = nullptr;   // null when the JAR has none that can be read
    const SuiteArchive* archive = nullptr;  // null when the JAD's JAR was not found
    std::string jarPath;                    // the JAR a signature is verified over; empty: not verified
};

void CheckSuiteAttributes(const SuiteAttributes& suite, const SuiteCheckOptions& options, Findings& findings);

}  // namespace vorlan
