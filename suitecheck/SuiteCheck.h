// SPDX-License-Identifier: MIT
// vorlan-batch --check: what would make a MIDP 2.0 phone refuse or mis-run a
// suite, given by its JAD (the JAR found beside it) or by its JAR alone.
// Reads the files; changes nothing.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "suitecheck/CheckOptions.h"
#include "suitecheck/DuplicateSuites.h"
#include "suitecheck/Findings.h"
#include "suitecheck/MissingClasses.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

// The findings for the suite given by a .jad or .jar path; names, when
// given, gets the suite's MIDlet-Name and MIDlet-Vendor as far as known.
Findings CheckSuite(const std::string& path, const SuiteCheckOptions& options = {},
                    const ClassCheckSettings& classes = {}, SuiteNames* names = nullptr);

// Checks every file and writes one line per finding, "PATH: RULE: text"
// (the text of a warning begins with "warning: "), then a summary line that
// counts the suites that would install, would not, and would install but
// not start. Returns 0 when no finding is an error, 1 otherwise. Suites
// that share MIDlet-Name and MIDlet-Vendor get a DUPLICATE_SUITE warning
// each.
using SuiteChecked = std::function<void(const std::string& file, const Findings& findings)>;
struct SuiteCheckRun {
    SuiteChecked checked;                  // each suite's findings, in list order (a report keeps them)
    std::function<void(bool ok)> counted;  // each suite as its check ends (a progress counter)
    bool errorsOnly = false;               // --quiet: no lines for warnings
};
int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const SuiteCheckOptions& options = {},
                  const ClassCheckSettings& classes = {}, const SuiteCheckRun& run = {});

// The main attributes of the archive's META-INF/MANIFEST.MF (the name is
// case-sensitive, as for Java); nothing, with a MANIFEST error, when there is
// no such entry.
std::optional<Attributes> ReadArchiveManifest(const SuiteArchive& archive, Findings& findings);

}  // namespace vorlan
