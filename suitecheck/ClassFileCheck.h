// SPDX-License-Identifier: MIT
// The class files of a suite, checked as a CLDC virtual machine loads them:
// a class-file version CLDC accepts (45 to 48) and, in every method whose
// code branches or catches, the StackMap attribute that preverification
// adds (a CLDC VM does not verify such code without it).
#pragma once

#include <string>

#include "suitecheck/Findings.h"

namespace vorlan {

// Adds CLASS_VERSION, NOT_PREVERIFIED or CLASS_FORMAT errors for the class
// file entryName holding bytes.
void CheckClassFile(const std::string& entryName, const std::string& bytes, Findings& findings);

}  // namespace vorlan
