// SPDX-License-Identifier: MIT
// --out: two entries whose copies would take the same name in the output
// folder (x.jar given from two folders, a suite given by its JAR and its JAD,
// names that differ in letter case only). The later one is refused before
// the run, so that one copy never silently replaces another (with --force)
// or fails half the collection for a reason the user cannot see.
#pragma once

#include "cli/ConsoleBatchHost.h"

namespace vorlan {

// Gives each such later entry its refusal reason, naming the earlier one.
void RefuseSharedOutputs(BatchSettings& settings);

}  // namespace vorlan
