// SPDX-License-Identifier: MIT
// How the batch writes suites beyond what its mode says: whether it mends
// manifests (--repair), whether a suite that would not install is kept back
// (--strict), the code page of manifests that are not UTF-8, and the phone
// the suites it writes are checked for.
#pragma once

#include <string>

#include "suitecheck/CheckOptions.h"

namespace vorlan {

struct SuiteWriteOptions {
    bool repair = false;
    bool strict = false;
    std::string manifestCharset;  // an iconv name; empty: none given
    SuiteCheckOptions check;
    bool hashJars = false;  // the JAR's SHA-256 before and after goes into the suite's facts
};

}  // namespace vorlan
