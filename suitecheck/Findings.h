// SPDX-License-Identifier: MIT
// What the suite checker found: one finding per broken rule, each an error
// (a MIDP 2.0 phone refuses or mis-runs the suite) or a warning (some phones
// cope), named by a short rule identifier that scripts may rely on.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlan {

struct Finding {
    std::string rule;
    bool error = true;
    std::string text;
};

// A finding's text quotes values from the suite: bytes that are not UTF-8,
// and control characters, are shown as "\xNN" so that no value can garble
// or break the line that reports it.
class Findings {
public:
    void Error(std::string rule, const std::string& text) { list_.push_back({std::move(rule), true, Shown(text)}); }
    void Warning(std::string rule, const std::string& text) { list_.push_back({std::move(rule), false, Shown(text)}); }
    // Adds other's findings after these, in their order.
    void Append(const Findings& other) { list_.insert(list_.end(), other.list_.begin(), other.list_.end()); }
    const std::vector<Finding>& List() const { return list_; }
    bool HasError() const;
    // Findings read back as they were listed, their texts shown already.
    static Findings Restored(std::vector<Finding> list) {
        Findings findings;
        findings.list_ = std::move(list);
        return findings;
    }

private:
    static std::string Shown(const std::string& text);

    std::vector<Finding> list_;
};

// A value from the suite's files in double quotes, escaped by the rule of
// ShownFileName (platform/ShownNames.h) when it holds a control character,
// so that no finding can break its line.
std::string QuotedValue(const std::string& value);

// The attributes of a JAD or of a manifest's main section, in their order;
// names compare exactly, as a phone's installer compares them.
class Attributes {
public:
    void Put(std::string name, std::string value) { list_.emplace_back(std::move(name), std::move(value)); }
    // The last value given for name (the last one counts), or nullptr.
    const std::string* Find(std::string_view name) const;
    const std::vector<std::pair<std::string, std::string>>& List() const { return list_; }

private:
    std::vector<std::pair<std::string, std::string>> list_;
};

// The rule identifiers.
namespace rules {
inline constexpr const char* kSuiteFile = "SUITE_FILE";
inline constexpr const char* kJadSyntax = "JAD_SYNTAX";
inline constexpr const char* kMissingAttribute = "MISSING_ATTRIBUTE";
inline constexpr const char* kVersionFormat = "VERSION_FORMAT";
inline constexpr const char* kMismatch = "JAD_MANIFEST_MISMATCH";
inline constexpr const char* kJarNotFound = "JAR_NOT_FOUND";
inline constexpr const char* kJarSize = "JAR_SIZE";
inline constexpr const char* kZip = "ZIP_FORMAT";
inline constexpr const char* kManifest = "MANIFEST";
inline constexpr const char* kMidletClass = "MIDLET_CLASS";
inline constexpr const char* kPushClass = "PUSH_CLASS";
inline constexpr const char* kIcon = "ICON";
inline constexpr const char* kDevice = "DEVICE";
inline constexpr const char* kClassVersion = "CLASS_VERSION";
inline constexpr const char* kPreverified = "NOT_PREVERIFIED";
inline constexpr const char* kClassFormat = "CLASS_FORMAT";
inline constexpr const char* kSignature = "SIGNATURE";
inline constexpr const char* kMissingClass = "MISSING_CLASS";
inline constexpr const char* kDuplicateSuite = "DUPLICATE_SUITE";
inline constexpr const char* kDataSize = "DATA_SIZE";
inline constexpr const char* kPush = "PUSH";
inline constexpr const char* kNotify = "NOTIFY";
}  // namespace rules

// Whether an error under rule makes the installer refuse the suite. The
// others are the class files a CLDC VM refuses to load: such a suite
// installs, and fails when it starts.
bool StopsInstall(std::string_view rule);

}  // namespace vorlan
