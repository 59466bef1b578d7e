// SPDX-License-Identifier: MIT
// vorlan-batch's work once its options are read: the process-wide state set
// up, the API catalogue read, and the batch run.
#pragma once

#include <iosfwd>

#include "cli/CommandLine.h"

namespace vorlan {

// Returns the exit status (0 all succeeded, 1 one failed, 128 + the signal
// when a termination signal stopped the run). Throws UsageError for an --api
// name the catalogue does not hold, or when no FILE is given.
// The command line is taken over: its file list moves into the batch.
int RunBatchCommand(CommandLine commandLine, std::ostream& output, std::ostream& errors);

// --check: the suites checked, the API folders' archives named where they
// provide a class a suite lacks. Returns the exit status (0 no error found,
// 1 one was).
int RunCheckCommand(const CommandLine& commandLine, std::ostream& output);

}  // namespace vorlan
