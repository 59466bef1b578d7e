// Fix suites: for a suite a phone refuses to delete, given by its JAR or its
// JAD, a replacement suite of the same name built from the template fix.jar,
// carrying the old manifest with its first midlet pointed at the template's
// class and its version set to the fix version.
#pragma once

#include <string>

namespace vorlan {

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

// Builds the fix suite for one .jar or .jad entry: the JAR (the entry itself,
// or the JAR named like the JAD) and its descriptor are replaced only once
// the new JAR is complete; names finds the files named like the entry in any
// letter case. Throws for any other entry, and on any failure.
void BuildFixSuite(TZip& zip, const std::string& entryPath, const std::string& fixVersion, FolderNameIndex& names);

}  // namespace vorlan
