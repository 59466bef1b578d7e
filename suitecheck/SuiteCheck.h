// vorlan-batch --check: what would make a MIDP 2.0 phone refuse or mis-run a
// suite, given by its JAD (the JAR found beside it) or by its JAR alone.
// Reads the files; changes nothing.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "suitecheck/Findings.h"
#include "suitecheck/MissingClasses.h"

namespace vorlan {

// The findings for the suite given by a .jad or .jar path.
Findings CheckSuite(const std::string& path, const ClassCheckSettings& classes = {});

// Checks every file and writes one line per finding, "PATH: RULE: text"
// (the text of a warning begins with "warning: "), then a summary line.
// Returns 0 when no finding is an error, 1 otherwise.
int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const ClassCheckSettings& classes = {});

}  // namespace vorlan
