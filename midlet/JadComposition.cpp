// SPDX-License-Identifier: MIT
// The new JAD's lines from the manifest and the old JAD.
#include "midlet/JadComposition.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "midlet/EntryWarnings.h"
#include "midlet/ExistingJad.h"
#include "midlet/Globals.h"
#include "midlet/JadText.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "suitecheck/JarSignature.h"

namespace vorlan {

namespace {

// Whether the old JAD's signature lines may go into the new JAD.
bool SignatureHolds(const std::vector<std::string>& own, const std::string& jarPath, bool jarUnchanged) {
    if (!jarUnchanged) return false;
    TextLines signature;
    for (const std::string& line : own)
        if (IsSignatureLine(line)) signature.Add(line);
    return VerifyJarSignature(jarPath, AttributeValue(signature, "MIDlet-Jar-RSA-SHA1"),
                              AttributeValue(signature, "MIDlet-Certificate-1-1"))
               .state == SignatureState::Verifies;
}

}  // namespace

void ComposeJadLines(const std::string& descriptorPath, const std::string& jarPath, bool jarUnchanged,
                     const SuiteWriteOptions& options, EntryWarnings& warnings) {
    TextLines& lines = *ManifestBuffer;
    DropByteOrderMark(lines);
    ConvertToUtf8(lines, options.manifestCharset);
    LeaveOutLinesNotUtf8(lines, "the manifest", warnings);
    std::optional<TextLines> jad = ReadExistingJad(descriptorPath);
    if (!jad) return;
    const std::string jadName = FileNamePart(descriptorPath);
    DropByteOrderMark(*jad);
    ConvertToUtf8(*jad, options.manifestCharset);
    std::vector<std::string> own = JadOnlyLines(lines, std::move(*jad), jadName, warnings);
    const bool signedJad = std::any_of(own.begin(), own.end(), IsSignatureLine);
    if (signedJad && !SignatureHolds(own, jarPath, jarUnchanged)) {
        own.erase(std::remove_if(own.begin(), own.end(), IsSignatureLine), own.end());
        warnings.Add("the signature no longer matches the JAR: " + jadName + " is unsigned now");
    }
    for (std::string& line : own) lines.Add(std::move(line));
}

}  // namespace vorlan
