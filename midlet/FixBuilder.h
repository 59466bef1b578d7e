// SPDX-License-Identifier: MIT
// Fix suites: for a suite a phone refuses to delete, given by its JAR or its
// JAD, a replacement suite of the same name built from the template fix.jar,
// carrying the old manifest with its first midlet pointed at the template's
// class and its version set to the fix version.
#pragma once

#include <functional>
#include <string>

#include "filecommit/CommitGroup.h"
#include "midlet/SuiteFacts.h"
#include "midlet/SuiteLock.h"
#include "midlet/SuiteOutput.h"
#include "midlet/SuiteWriteOptions.h"

namespace vorlan {

class EntryWarnings;
class FolderNameIndex;
class TextLines;
class TZip;

// The template's midlet class.
inline constexpr const char* kFixMidletClass = "br.BookReader";

// Joins continuation lines, leaves out what the fix JAR cannot carry
// (KeepWhatTheFixCanCarry), points every "MIDlet-1:" line at the template's
// class (label kept, icon emptied) and sets every "MIDlet-Version:" line to
// fixVersion. Warns in a message box for each of the two keys that no line
// held; never fails.
void FixManifest(TextLines& lines, const std::string& fixVersion);

// Gives a manifest without a MIDlet-1 attribute the fix's reader midlet,
// "MIDlet-1: NAME,,br.BookReader", NAME being its MIDlet-Name (else
// fallbackName), and says so in warnings: a suite without MIDlet-1 does not
// install. True when it did.
bool AddMissingFirstMidlet(TextLines& lines, const std::string& fallbackName, EntryWarnings& warnings);

// How a fix suite is written, and where its warnings and what is learned of
// the suite go.
struct FixWriting {
    SuiteWriteOptions options;
    EntryWarnings& warnings;
    SuiteFacts& facts;
    SuiteOutput output = {};  // where the fix suite goes; in place by default
};

// Builds the fix suite for one .jar or .jad entry: the new JAR (for the
// entry itself, or the JAR named like the JAD; a link's target) and its
// descriptor, both complete beside their targets and both targets found
// replaceable, and checked (WrittenSuiteCheck.h), returned as the unit that
// puts them in place together. names finds the files named like the entry
// in any letter case; recover runs for the entry and for the JAR a link
// names, before their folders are read; waiting says what to do while
// another process holds the suite. A JAR the fix would replace must be a
// suite's JAR (a zip file with a manifest). Throws for any other entry, and
// on any failure, with the old suite untouched.
CommitUnit BuildFixSuite(TZip& zip, const std::string& entryPath, const std::string& fixVersion, FolderNameIndex& names,
                         const std::function<void(const std::string&)>& recover, const LockWaiting& waiting,
                         const FixWriting& writing);

}  // namespace vorlan
