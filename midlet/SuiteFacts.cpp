// SPDX-License-Identifier: MIT
// Filling in what a batch learns of a suite.
#include "midlet/SuiteFacts.h"

#include <sys/stat.h>

#include "midlet/FileHash.h"
#include "midlet/JadText.h"
#include "midlet/TextLines.h"

namespace vorlan {

void NoteSuiteNames(const TextLines& attributes, SuiteFacts& facts) {
    facts.midletName = AttributeValue(attributes, "MIDlet-Name");
    facts.midletVendor = AttributeValue(attributes, "MIDlet-Vendor");
    facts.midletVersion = AttributeValue(attributes, "MIDlet-Version");
}

std::int64_t FileSizeOrUnknown(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

void NoteJarBefore(const std::string& jar, std::int64_t size, bool hashes, SuiteFacts& facts) {
    facts.jarSizeBefore = size;
    if (hashes) facts.jarSha256BeforeLater = FileSha256Later(jar);
}

void NoteJarAfter(const std::string& jar, JarAfter kind, bool hashes, SuiteFacts& facts) {
    facts.jarSizeAfter = kind == JarAfter::SameAsBefore ? facts.jarSizeBefore : FileSizeOrUnknown(jar);
    if (!hashes) return;
    if (kind == JarAfter::SameAsBefore && facts.jarSha256BeforeLater.valid())
        facts.jarSha256AfterLater = facts.jarSha256BeforeLater;
    else
        facts.jarSha256AfterLater = FileSha256Later(jar);  // opened now: the commit may yet replace it
}

void SettleHashes(SuiteFacts& facts) {
    if (facts.jarSha256BeforeLater.valid()) facts.jarSha256Before = AwaitSha256(facts.jarSha256BeforeLater);
    if (facts.jarSha256AfterLater.valid()) facts.jarSha256After = AwaitSha256(facts.jarSha256AfterLater);
    facts.jarSha256BeforeLater = {};
    facts.jarSha256AfterLater = {};
}

}  // namespace vorlan
