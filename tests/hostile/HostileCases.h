// SPDX-License-Identifier: MIT
// The hostile-archive corpus: MIDlet suites with exactly one thing wrong,
// each made by the tests' zip writer at run time and named after its defect,
// with the outcome every path through Vorlan must end in: the directory
// reader, Extract of every entry and of the manifest, and a batch of each mode.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorlan::test {

// What the sound suite underneath every case holds.
extern const char kSuiteManifestName[];  // META-INF/MANIFEST.MF
extern const char kSuiteClassName[];     // game/Main.class
std::string SuiteManifestText();

// The API archive the mode-0 batches add (one class file, api/Extra.class).
std::string ApiArchiveBytes();
extern const char kApiClassName[];

enum class ReaderOutcome {
    Lists,      // opens and lists `listed` entries
    NotValid,   // "... is not a valid Zip file."
    ReadError,  // "Error reading 'CentralFileHeader'!"
};

enum class EntryOutcome {
    Succeeds,  // checked: the JAR updated (or rebuilt) and its descriptor written
    Fails,     // unchecked: the JAR byte for byte as it was, no descriptor
};

struct HostileCase {
    const char* name;
    std::function<std::string()> build;
    ReaderOutcome reader;
    int listed;                             // entries the reader lists
    std::vector<std::string> extractedAll;  // what Extract of every entry leaves in its target
    std::string manifestExtracted;          // what Extract of the manifest's file spec gives; "" none
    EntryOutcome mode0;                     // with an API archive checked
    EntryOutcome mode1;
};

const std::vector<HostileCase>& HostileCases();

// The sound suite itself, and the target listing its extraction gives.
std::string SoundSuiteBytes();
std::vector<std::string> SoundSuiteTree();

}  // namespace vorlan::test
