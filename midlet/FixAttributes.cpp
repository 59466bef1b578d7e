// SPDX-License-Identifier: MIT
// The attributes a fix suite keeps, and those it takes from the template.
#include "midlet/FixAttributes.h"

#include <string>
#include <vector>

#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"

namespace vorlan {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// "<n>" after prefix, n a number; with pairs, "<n>-<m>".
bool NumberedAfter(std::string_view lowerName, std::string_view prefix, bool pair) {
    if (lowerName.substr(0, prefix.size()) != prefix) return false;
    const std::string_view rest = lowerName.substr(prefix.size());
    if (!pair) return AllDigits(rest);
    const std::size_t dash = rest.find('-');
    return dash != std::string_view::npos && AllDigits(rest.substr(0, dash)) && AllDigits(rest.substr(dash + 1));
}

}  // namespace

bool RefersToWhatTheFixLacks(std::string_view attributeName) {
    const std::string name = LowerAscii(attributeName);
    // MIDlet-1 is the reader midlet; "MIDlet-02" names no midlet at all.
    if (NumberedAfter(name, "midlet-", false)) return name[7] != '0' && name != "midlet-1";
    return NumberedAfter(name, "midlet-push-", false) || name == "midlet-permissions" ||
           name == "midlet-jar-rsa-sha1" || NumberedAfter(name, "midlet-certificate-", true);
}

namespace {

bool IsSuiteAttribute(std::string_view name) {
    const std::string lower = LowerAscii(name);
    return lower.rfind("midlet-", 0) == 0 || lower.rfind("microedition-", 0) == 0;
}

}  // namespace

void KeepWhatTheFixCanCarry(TextLines& lines) {
    std::vector<std::string> kept;
    bool afterEmptyLine = false;
    bool inEntrySection = false;
    for (const std::string& line : lines.Lines()) {
        if (line.empty()) {
            afterEmptyLine = true;
            inEntrySection = false;
            continue;
        }
        const std::string_view name = AttributeName(line);
        if (afterEmptyLine) inEntrySection = EqualsIgnoringCase(name, "Name");
        // Suite attributes are never an entry's: the size and URL lines that
        // a descriptor appended after a last section without an empty line
        // end it.
        if (IsSuiteAttribute(name)) inEntrySection = false;
        afterEmptyLine = false;
        if (inEntrySection || RefersToWhatTheFixLacks(AttributeName(line))) continue;
        kept.push_back(line);
    }
    lines.Clear();
    for (std::string& line : kept) lines.Add(std::move(line));
}

namespace {

bool HasAttribute(const TextLines& lines, std::string_view name) {
    for (const std::string& line : lines.Lines())
        if (EqualsIgnoringCase(AttributeName(line), name)) return true;
    return false;
}

bool IsDeviceAttribute(std::string_view name) {
    return EqualsIgnoringCase(name, "MicroEdition-Configuration") || EqualsIgnoringCase(name, "MicroEdition-Profile");
}

}  // namespace

bool AddMissingDeviceAttributes(TextLines& lines, const TextLines& templateManifest) {
    std::vector<std::string> missing;
    for (const std::string& line : templateManifest.Lines()) {
        const std::string_view name = AttributeName(line);
        if (IsDeviceAttribute(name) && !HasAttribute(lines, name)) missing.push_back(line);
    }
    for (std::string& line : missing) lines.Add(std::move(line));
    return !missing.empty();
}

}  // namespace vorlan
