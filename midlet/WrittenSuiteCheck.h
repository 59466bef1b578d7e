// SPDX-License-Identifier: MIT
// Every suite the batch writes is checked before it is committed, by the
// same rules as vorlan-batch --check. What the run has in hand is used
// rather than read again: the JAD's and the manifest's text, the JAR's
// directory as the archive component read it after writing it, the
// findings of the class files the run added. Only --strict reads the whole
// JAR (CRCs, local headers, the JAR's own classes).
#pragma once

#include <string>
#include <vector>

#include "midlet/SuiteWriteOptions.h"
#include "suitecheck/Findings.h"

namespace vorlan {

class EntryWarnings;
class TZip;

struct WrittenSuite {
    std::string jadText;
    std::string manifestBytes;        // as the new JAR holds it
    bool manifestRenamed = false;     // stored as META-INF/MANIFEST.MF although the directory says otherwise
    std::string jarPath;              // the new JAR (its pending file)
    const TZip* directory = nullptr;  // the new JAR's directory
    const std::vector<Finding>* addedClasses = nullptr;  // the findings of the class files the run added
};

// Adds a warning for every error the checker finds, "would not install:
// RULE: text", or "would not start: RULE: text" for a class file a CLDC VM
// refuses. With options.strict a suite with an error throws, so that it is
// not committed.
void CheckWrittenSuite(const WrittenSuite& suite, const SuiteWriteOptions& options, EntryWarnings& warnings);

// The findings of the class files below folder (the API files the batch adds
// into every JAR), each named by its path below folder. Every JAR gets them
// all, so each suite is told of one per rule, with how many more there are.
std::vector<Finding> CheckClassesBelow(const std::string& folder);

}  // namespace vorlan
