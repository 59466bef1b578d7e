// SPDX-License-Identifier: MIT
// The lines of the JAD mode 0 writes, before its size and URL are set: the
// manifest's lines as a JAD can hold them, then what only the JAD already
// beside the JAR knew.
#pragma once

#include <string>

#include "midlet/SuiteWriteOptions.h"

namespace vorlan {

class EntryWarnings;

// Makes ManifestBuffer (the JAR's manifest) the new JAD's lines: the
// byte-order mark dropped; text that is not UTF-8 converted from the
// options' code page, or else left out with a warning; then the attributes
// of the JAD at descriptorPath that the manifest does not have, in that
// JAD's order (its size and URL lines among them, set later as always).
// Signature attributes stay only when jarUnchanged (the JAR is byte for byte
// what was signed) and the signature still verifies over jarPath; otherwise
// they go, with a warning that the JAD is unsigned now.
void ComposeJadLines(const std::string& descriptorPath, const std::string& jarPath, bool jarUnchanged,
                     const SuiteWriteOptions& options, EntryWarnings& warnings);

}  // namespace vorlan
