// SPDX-License-Identifier: MIT
// Suites of a run that share MIDlet-Name and MIDlet-Vendor: a phone takes
// the second for an update of the first and installs it over it, so a
// collection that holds both loses one on the phone.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "cli/EntryResults.h"

namespace vorlan {

// The first suite seen with each name and vendor.
class SuiteIdentities {
public:
    // The suite first seen with this name and vendor, when it is not this
    // one; nothing when either is unknown or this is the first.
    std::optional<std::string> Note(const std::string& path, const std::string& name, const std::string& vendor);

private:
    std::map<std::pair<std::string, std::string>, std::string> first_;
};

// The warning on a suite that has the name and vendor of other.
std::string DuplicateSuiteWarning(const std::string& other);

// Mode 0 and 1: a warning for every suite after the first with a name and
// vendor, naming the first. It joins the entry's warnings for next (the
// report) and goes to standard error unless the run is quiet.
enum class DuplicateWarnings { Printed, NotPrinted };

class DuplicateSuites : public EntryResults {
public:
    DuplicateSuites(std::ostream& errors, DuplicateWarnings printed, EntryResults& next)
        : errors_(errors), printed_(printed), next_(next) {}
    void EntryDone(const BatchFile& file, const EntryOutcome& outcome) override;

private:
    std::ostream& errors_;
    DuplicateWarnings printed_;
    EntryResults& next_;
    SuiteIdentities identities_;
};

}  // namespace vorlan
