// SPDX-License-Identifier: MIT
// The classes a suite's class files name that neither its JAR nor the phone
// has: what ends in NoClassDefFoundError on the phone.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "suitecheck/ClassReferences.h"
#include "suitecheck/Findings.h"
#include "suitecheck/PlatformClasses.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

class ClassProviders;

struct MissingClass {
    std::string name;                  // internal name, "com/nokia/mid/ui/FullCanvas"
    std::vector<std::string> namedBy;  // the suite's classes that name it, in name order
    bool neededToStart = false;        // the suite cannot start without it
};

// The missing classes, in name order. A class is needed to start when a
// start class (a MIDlet class, by internal name), one of its superclasses or
// interfaces, or a class their static initialisers name, names it as a
// superclass, an interface or in a static initialiser: loading the MIDlet
// then fails. Class files that cannot be read are left out (CLASS_FORMAT
// says why).
// The references of a JAR's class files, gathered one class at a time as
// the JAR is read (ReadSuiteArchive's visitor), so that no class file is
// held longer than its scan.
class ClassScan {
public:
    // Class files that cannot be read are left out (CLASS_FORMAT says why).
    void Add(const std::string& entryName, const std::string& bytes);
    const std::map<std::string, ClassReferences>& Classes() const { return classes_; }

private:
    std::map<std::string, ClassReferences> classes_;  // by the class its entry name stands for
};

std::vector<MissingClass> FindMissingClasses(const ClassScan& scan, const SuiteArchive& archive,
                                             const Platform& platform, const std::vector<std::string>& startClasses);

// What the missing-class check of --check takes beyond the suite.
struct ClassCheckSettings {
    ApiSets optionalPackages = DefaultOptionalPackages();  // --platform
    const ClassProviders* providers = nullptr;             // the API catalogue, to name what provides a class
};

// A MISSING_CLASS finding for every missing class: an error when the suite
// cannot start without it, else a warning. jad may be null; the JAD's
// MIDlet-<n>, MicroEdition-Configuration and -Profile win over the manifest's.
void CheckMissingClasses(const ClassScan& scan, const SuiteArchive& archive, const Attributes* jad,
                         const Attributes* manifest, const ClassCheckSettings& settings, Findings& findings);

}  // namespace vorlan
