// One --jobs worker: a child process that runs the batch over its share of
// the file list, in its own scratch root, and tells vorlan-batch through a
// socket how each entry ended. It answers every question with the default
// button, writes warnings to standard error a line at a time, and stops
// after the entry that is running when vorlan-batch shuts the socket or is
// gone. Termination signals are vorlan-batch's to handle: workers ignore them
// and are told to stop.
#pragma once

#include <vector>

#include "cli/ConsoleBatchHost.h"

namespace vorlan {

// Runs in the child process after fork and gives its exit status: 0 when it
// ran its share to the end or was told to stop, 1 when it could not run.
int RunWorker(const BatchSettings& settings, const std::vector<int>& share, int socket);

}  // namespace vorlan
