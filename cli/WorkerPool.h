// SPDX-License-Identifier: MIT
// vorlan-batch --jobs N: the file list shared among worker processes, the
// results printed in list order as they become known, exactly as one
// process would print them, and one exit status for the whole run.
#pragma once

#include <iosfwd>
#include <vector>

#include "cli/ConsoleBatchHost.h"

namespace vorlan {

// The number of workers --jobs asks for: N itself, or one per processor this
// process may run on for 0.
int WorkerCount(int jobs);

// Runs the batch in `workers` worker processes that take the groups of
// entries (groupOfEntry, from GroupOfEachEntry) as they come to them. Gives
// the exit status: 0 when every entry succeeded, 1 when one failed or a
// worker ended before its entries were done, 128 + the signal when a
// termination signal stopped the run (the entries finished by then are
// printed, the final message is not). Each entry, once its line is out,
// also goes to results when there are any.
int RunInWorkers(const BatchSettings& settings, std::vector<int> groupOfEntry, int workers, std::ostream& output,
                 std::ostream& errors, EntryResults* results = nullptr);

}  // namespace vorlan
