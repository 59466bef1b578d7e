// SPDX-License-Identifier: MIT
// Several receivers of the run's entries (the report, the duplicate check,
// the progress line) behind the one the batch hands them to.
#pragma once

#include <initializer_list>
#include <vector>

#include "cli/EntryResults.h"

namespace vorlan {

class ResultFanOut : public EntryResults {
public:
    // Null receivers (a report not asked for) are left out.
    ResultFanOut(std::initializer_list<EntryResults*> receivers) {
        for (EntryResults* receiver : receivers)
            if (receiver != nullptr) receivers_.push_back(receiver);
    }
    void EntryDone(const BatchFile& file, const EntryOutcome& outcome) override {
        for (EntryResults* receiver : receivers_) receiver->EntryDone(file, outcome);
    }

private:
    std::vector<EntryResults*> receivers_;
};

}  // namespace vorlan
