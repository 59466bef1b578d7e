// SPDX-License-Identifier: MIT
// The platform's class table as compact data, read by PlatformClasses.
#pragma once

#include <span>

#include "suitecheck/PlatformClasses.h"

namespace vorlan {

struct ClassGroup {
    ApiSet set;
    const char* package;  // "java/lang/"
    const char* classes;  // "Name" or "Name<Super", separated by spaces
};

std::span<const ClassGroup> ClassGroups();

}  // namespace vorlan
