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
#include "suitecheck/Findings.h"
#include "suitecheck/MissingClasses.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

// The findings for the suite given by a .jad or .jar path.
Findings CheckSuite(const std::string& path, const SuiteCheckOptions& options = {},
                    const ClassCheckSettings& classes = {});

// Checks every file and writes one line per finding, "PATH: RULE: text"
// (the text of a warning begins with "warning: "), then a summary line that
// counts the suites that would install, would not, and would install but
// not start. Returns 0 when no finding is an error, 1 otherwise. Each
// suite's findings also go to checked, when given (a report keeps them).
using SuiteChecked = std::function<void(const std::string& file, const Findings& findings)>;
int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const SuiteCheckOptions& options = {},
                  const ClassCheckSettings& classes = {}, const SuiteChecked& checked = {});

// The main attributes of the archive's META-INF/MANIFEST.MF (the name is
// case-sensitive, as for Java); nothing, with a MANIFEST error, when there is
// no such entry.
std::optional<Attributes> ReadArchiveManifest(const SuiteArchive& archive, Findings& findings);

}  // namespace vorlan
