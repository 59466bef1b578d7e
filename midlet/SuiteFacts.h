// SPDX-License-Identifier: MIT
// What a batch learned of an entry's suite, for reports and for telling
// suites apart: its name, vendor and version, and its JAR before and after
// the run. Filled as far as the entry's step got; a failed entry may know
// only some of it.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <vector>

namespace vorlan {

struct SuiteFacts {
    std::string midletName;     // MIDlet-Name, as the suite gives it; empty when unknown
    std::string midletVendor;   // MIDlet-Vendor
    std::string midletVersion;  // MIDlet-Version
    // The JAR's size in bytes before and after the run; -1 when unknown (no
    // JAR read, or none written).
    std::int64_t jarSizeBefore = -1;
    std::int64_t jarSizeAfter = -1;
    // The JAR's SHA-256 (lowercase hex) before and after the run; empty when
    // not computed (a host asks for them with HashesWanted).
    std::string jarSha256Before;
    std::string jarSha256After;
    std::vector<std::string> apisAdded;  // the API archives that went into the JAR, in catalogue order
    // Hashes still being computed beside the entry's step (the old JAR is read
    // by a thread of its own while the step works); SettleHashes moves them
    // into the two fields above before the facts leave the batch.
    std::shared_future<std::string> jarSha256BeforeLater;
    std::shared_future<std::string> jarSha256AfterLater;
};

class TextLines;

// The suite's name, vendor and version, as its manifest or descriptor gives them.
void NoteSuiteNames(const TextLines& attributes, SuiteFacts& facts);

// A JAR's size for the facts; -1 when it cannot be read.
std::int64_t FileSizeOrUnknown(const std::string& path);

// The JAR as the entry found it: its size (as the suite's lock saw it), and
// its SHA-256 when hashes are wanted (one read of a file the batch has just
// read anyway).
void NoteJarBefore(const std::string& jar, std::int64_t size, bool hashes, SuiteFacts& facts);
// The JAR the suite will have: the one just written, or the old one when
// nothing was added to it (SameAsBefore; neither read nor looked at again).
enum class JarAfter { Written, SameAsBefore };
void NoteJarAfter(const std::string& jar, JarAfter kind, bool hashes, SuiteFacts& facts);
// Waits for the hashes still being computed and puts them in their fields.
void SettleHashes(SuiteFacts& facts);

}  // namespace vorlan
