// SPDX-License-Identifier: MIT
// One --jobs worker: a child process that runs the batch over the file list,
// in its own scratch root, working on the entries it takes (EntryClaims) and
// leaving the others, and tells vorlan-batch through a socket how each of its
// entries ended. It answers every question with the default
// button, writes warnings to standard error a line at a time, and stops
// after the entry that is running when vorlan-batch shuts the socket or is
// gone. Termination signals are vorlan-batch's to handle: workers ignore them
// and are told to stop.
#pragma once

#include <vector>

#include "cli/ConsoleBatchHost.h"
#include "cli/EntryClaims.h"

namespace vorlan {

// Runs in the child process after fork and gives its exit status: 0 when it
// ran its share to the end or was told to stop, 1 when it could not run.
int RunWorker(const BatchSettings& settings, int worker, EntryClaims& claims, int socket);

}  // namespace vorlan
