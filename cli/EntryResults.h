// SPDX-License-Identifier: MIT
// Where the run's record of each entry goes once the entry's line is out
// (the report file, ...). The one-process run and the --jobs parent both
// hand every entry here, in list order, with its warnings and what the
// batch learned of its suite.
#pragma once

#include "cli/WorkerMessages.h"

namespace vorlan {

struct BatchFile;

class EntryResults {
public:
    virtual ~EntryResults() = default;
    virtual void EntryDone(const BatchFile& file, const EntryOutcome& outcome) = 0;
};

}  // namespace vorlan
