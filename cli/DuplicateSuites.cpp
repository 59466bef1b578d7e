// SPDX-License-Identifier: MIT
// Telling the suites of a run apart by name and vendor.
#include "cli/DuplicateSuites.h"

#include "cli/ConsoleBatchHost.h"

namespace vorlan {

std::optional<std::string> SuiteIdentities::Note(const std::string& path, const std::string& name,
                                                 const std::string& vendor) {
    if (name.empty() || vendor.empty()) return std::nullopt;
    const auto [first, added] = first_.try_emplace({name, vendor}, path);
    if (added || first->second == path) return std::nullopt;
    return first->second;
}

std::string DuplicateSuiteWarning(const std::string& other) {
    return "DUPLICATE_SUITE: same MIDlet-Name and MIDlet-Vendor as " + ShownFileName(other) +
           "; a phone installs one over the other";
}

void DuplicateSuites::EntryDone(const BatchFile& file, const EntryOutcome& outcome) {
    const SuiteFacts& facts = outcome.facts;
    const auto first = identities_.Note(file.shown, facts.midletName, facts.midletVendor);
    if (!first) return next_.EntryDone(file, outcome);
    EntryOutcome warned = outcome;
    warned.warnings.push_back(DuplicateSuiteWarning(*first));
    if (printed_ == DuplicateWarnings::Printed) PrintEntryWarning(errors_, file.shown, warned.warnings.back());
    next_.EntryDone(file, warned);
}

}  // namespace vorlan
