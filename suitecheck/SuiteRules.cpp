// SPDX-License-Identifier: MIT
// The installer's attribute rules.
#include "suitecheck/SuiteRules.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "platform/ShownNames.h"
#include "suitecheck/JarSignature.h"

namespace vorlan {

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> Fields(const std::string& value) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = value.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(Trim(value.substr(start, comma - start)));
    fields.push_back(Trim(value.substr(start)));
    return fields;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool HasSpaceOrControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; });
}

// "scheme://rest": a scheme of letters, digits, '+', '-' and '.' that begins
// with a letter, something after the "//" (a host when hostWanted), and no
// white space or control character anywhere.
bool IsUrl(const std::string& text, bool hostWanted) {
    const std::size_t separator = text.find("://");
    if (separator == std::string::npos || separator == 0 || HasSpaceOrControl(text)) return false;
    const std::string scheme = text.substr(0, separator);
    if (!std::isalpha(static_cast<unsigned char>(scheme.front()))) return false;
    for (char c : scheme)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    const std::string rest = text.substr(separator + 3);
    return !rest.empty() && (!hostWanted || (rest.front() != '/' && rest.front() != ':'));
}

class RuleCheck {
public:
    RuleCheck(const SuiteAttributes& suite, const SuiteCheckOptions& options, Findings& findings)
        : suite_(suite), options_(options), findings_(findings) {}

    void Run() {
        Mandatory();
        Versions();
        Agreement();
        JarSize();
        Device();
        Signature();
        DataSize();
        PushFormat();
        Notify();
        if (suite_.manifest == nullptr || suite_.archive == nullptr) return;  // no JAR to look into
        Midlets();
        PushClasses();
        Icons();
    }

private:
    // The value a phone uses: the JAD's when it has the attribute, else the manifest's.
    const std::string* Effective(const std::string& name) const {
        const std::string* value = suite_.jad ? suite_.jad->Find(name) : nullptr;
        if (value == nullptr && suite_.manifest) value = suite_.manifest->Find(name);
        return value;
    }
    bool InJar(std::string entry) const {
        if (!entry.empty() && entry.front() == '/') entry.erase(0, 1);
        return suite_.archive->names.Has(entry);
    }

    void Mandatory() {
        const auto require = [this](const Attributes* attributes, const char* where, std::vector<const char*> names) {
            for (const char* name : names) {
                const std::string* value = attributes ? attributes->Find(name) : nullptr;
                if (value == nullptr || value->empty())
                    findings_.Error(rules::kMissingAttribute, std::string(where) + " has no " + name);
            }
        };
        if (suite_.jad)
            require(suite_.jad, "the JAD",
                    {"MIDlet-Name", "MIDlet-Vendor", "MIDlet-Version", "MIDlet-Jar-URL", "MIDlet-Jar-Size"});
        if (suite_.manifest)
            require(suite_.manifest, "the manifest", {"MIDlet-Name", "MIDlet-Vendor", "MIDlet-Version"});
        if (suite_.manifest == nullptr) return;  // without the JAR's manifest, what the JAD leaves to it is unknown
        for (const char* name : {"MIDlet-1", "MicroEdition-Configuration", "MicroEdition-Profile"}) {
            const std::string* value = Effective(name);
            if (value == nullptr || value->empty())
                findings_.Error(rules::kMissingAttribute, std::string("neither JAD nor manifest has ") + name);
        }
    }

    // Major.Minor[.Micro], each part 0-99; a longer part is only a warning:
    // many phones take it.
    void Version(const Attributes* attributes, const char* where) {
        const std::string* value = attributes ? attributes->Find("MIDlet-Version") : nullptr;
        if (value == nullptr || value->empty()) return;
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t dot; (dot = value->find('.', start)) != std::string::npos; start = dot + 1)
            parts.push_back(value->substr(start, dot - start));
        parts.push_back(value->substr(start));
        const bool numbers = parts.size() <= 3 && std::all_of(parts.begin(), parts.end(), AllDigits);
        const std::string text = std::string(where) + " MIDlet-Version " + QuotedValue(*value) + " ";
        if (!numbers)
            findings_.Error(rules::kVersionFormat, text + "is not Major.Minor[.Micro] in numbers");
        else if (std::any_of(parts.begin(), parts.end(), [](const std::string& part) { return part.size() > 2; }))
            findings_.Warning(rules::kVersionFormat, text + "has a part above 99, which strict phones refuse");
    }
    void Versions() {
        Version(suite_.jad, "the JAD's");
        Version(suite_.manifest, "the manifest's");
    }

    void Agreement() {
        if (suite_.jad == nullptr || suite_.manifest == nullptr) return;
        for (const char* name : {"MIDlet-Name", "MIDlet-Vendor", "MIDlet-Version"}) {
            const std::string* inJad = suite_.jad->Find(name);
            const std::string* inManifest = suite_.manifest->Find(name);
            if (inJad && inManifest && !inJad->empty() && !inManifest->empty() && *inJad != *inManifest)
                findings_.Error(rules::kMismatch, std::string(name) + " is " + QuotedValue(*inJad) +
                                                      " in the JAD but " + QuotedValue(*inManifest) +
                                                      " in the manifest");
        }
    }

    void JarSize() {
        const std::string* size = suite_.jad ? suite_.jad->Find("MIDlet-Jar-Size") : nullptr;
        if (size == nullptr || size->empty() || suite_.archive == nullptr) return;
        if (!AllDigits(*size) || size->size() > 12)
            findings_.Error(rules::kJarSize, "MIDlet-Jar-Size " + QuotedValue(*size) + " is not a number of bytes");
        else if (std::stoull(*size) != suite_.archive->size)
            findings_.Error(rules::kJarSize, "MIDlet-Jar-Size is " + *size + " but the JAR has " +
                                                 std::to_string(suite_.archive->size) + " bytes");
    }

    void Device() {
        const std::string* configuration = Effective("MicroEdition-Configuration");
        if (configuration && !configuration->empty() && *configuration != "CLDC-1.0" && *configuration != "CLDC-1.1")
            findings_.Error(rules::kDevice, "MicroEdition-Configuration " + QuotedValue(*configuration) +
                                                " is not CLDC-1.0 or CLDC-1.1");
        const std::string* profile = Effective("MicroEdition-Profile");
        if (profile == nullptr) return;
        std::size_t start = 0;
        while ((start = profile->find_first_not_of(" \t", start)) != std::string::npos) {
            const std::size_t end = std::min(profile->find_first_of(" \t", start), profile->size());
            const std::string one = profile->substr(start, end - start);
            if (!ProfileAccepted(options_, one))
                findings_.Error(rules::kDevice, "MicroEdition-Profile " + QuotedValue(one) + " is not one a " +
                                                    options_.profile + " phone runs (see --profile)");
            start = end;
        }
    }

    void Signature();

    // MIDlet-<prefix>1, 2, ... up to the first number missing.
    std::vector<std::pair<std::string, std::string>> Numbered(const std::string& prefix) const {
        std::vector<std::pair<std::string, std::string>> found;
        for (int n = 1;; ++n) {
            const std::string name = prefix + std::to_string(n);
            const std::string* value = Effective(name);
            if (value == nullptr) return found;
            found.emplace_back(name, *value);
        }
    }

    void Midlets() {
        for (const auto& [name, value] : Numbered("MIDlet-")) {
            const std::vector<std::string> fields = Fields(value);
            if (fields.size() < 3 || fields[2].empty()) {
                findings_.Error(rules::kMidletClass, name + " " + QuotedValue(value) + " is not \"name, icon, class\"");
                continue;
            }
            midletClasses_.push_back(fields[2]);
            if (!InJar(ClassEntry(fields[2])))
                findings_.Error(rules::kMidletClass,
                                name + " names the class " + ShownFileName(fields[2]) + ", which is not in the JAR");
            if (!fields[1].empty() && !InJar(fields[1]))
                findings_.Warning(rules::kIcon,
                                  name + " names the icon " + ShownFileName(fields[1]) + ", which is not in the JAR");
        }
    }

    // Phones register every push connection when they install the suite and
    // refuse it when one cannot be (error 911 of the install report).
    void PushFormat() {
        std::set<std::string> connections;
        for (const auto& [name, value] : Numbered("MIDlet-Push-")) {
            const std::vector<std::string> fields = Fields(value);
            if (fields.size() != 3 || fields[1].empty()) {
                findings_.Error(rules::kPush,
                                name + " " + QuotedValue(value) + " is not \"connection, class, sender\"");
                continue;
            }
            if (!IsUrl(fields[0], false))
                findings_.Error(rules::kPush, name + " connects to \"" + fields[0] + "\", which is not scheme://...");
            else if (!connections.insert(fields[0]).second)
                findings_.Error(rules::kPush, name + " registers " + fields[0] + ", which an earlier push entry has");
            if (fields[2].empty() || HasSpaceOrControl(fields[2]))
                findings_.Error(rules::kPush, name + " has the sender filter \"" + fields[2] +
                                                  "\", which is not an address with * and ? wildcards");
        }
    }

    void PushClasses() {
        for (const auto& [name, value] : Numbered("MIDlet-Push-")) {
            const std::vector<std::string> fields = Fields(value);
            if (fields.size() != 3 || fields[1].empty()) continue;  // a PUSH error already
            const bool isMidlet =
                std::find(midletClasses_.begin(), midletClasses_.end(), fields[1]) != midletClasses_.end();
            if (!InJar(ClassEntry(fields[1])) || !isMidlet)
                findings_.Error(rules::kPushClass, name + " names the class " + ShownFileName(fields[1]) +
                                                       ", which is not one of the suite's midlets in the JAR");
        }
    }

    void DataSize() {
        const std::string* size = Effective("MIDlet-Data-Size");
        if (size && (!AllDigits(*size) || size->size() > 12))
            findings_.Error(rules::kDataSize, "MIDlet-Data-Size \"" + *size + "\" is not a number of bytes");
    }

    // A notify address that cannot be posted to loses the report; the suite
    // itself still installs.
    void Notify() {
        for (const char* name : {"MIDlet-Install-Notify", "MIDlet-Delete-Notify"}) {
            const std::string* url = Effective(name);
            if (url && !IsUrl(*url, true))
                findings_.Warning(rules::kNotify, std::string(name) + " \"" + *url +
                                                      "\" is not a URL the phone can send its report to");
        }
    }

    void Icons() {
        const std::string* icon = Effective("MIDlet-Icon");
        if (icon && !icon->empty() && !InJar(*icon))
            findings_.Warning(rules::kIcon, "MIDlet-Icon names " + ShownFileName(*icon) + ", which is not in the JAR");
    }

    static std::string ClassEntry(std::string className) {
        std::replace(className.begin(), className.end(), '.', '/');
        return className + ".class";
    }

    const SuiteAttributes& suite_;
    const SuiteCheckOptions& options_;
    Findings& findings_;
    std::vector<std::string> midletClasses_;
};

bool IsSignatureAttribute(const std::string& name) {
    return name == "MIDlet-Jar-RSA-SHA1" || name.rfind("MIDlet-Certificate-", 0) == 0;
}

// A signature in the JAD covers the JAR as it was signed and every attribute
// the manifest shares with the JAD: the RSA signature is verified over the
// JAR, and the attributes the two share must agree.
void RuleCheck::Signature() {
    if (suite_.manifest)
        for (const auto& [name, value] : suite_.manifest->List())
            if (IsSignatureAttribute(name))
                // Installers read the signature from the JAD only; here it
                // can only be left over from another JAR.
                findings_.Warning(rules::kSignature, "the manifest holds " + name + ", which belongs in the JAD only");
    if (suite_.jad == nullptr || suite_.jad->Find("MIDlet-Jar-RSA-SHA1") == nullptr) return;
    if (suite_.jad->Find("MIDlet-Certificate-1-1") == nullptr)
        findings_.Error(rules::kSignature, "MIDlet-Jar-RSA-SHA1 without MIDlet-Certificate-1-1");
    CheckJarSignature(*suite_.jad, suite_.archive ? suite_.jarPath : std::string(), findings_);
    if (suite_.manifest == nullptr) return;
    std::set<std::string> reported;  // a name the JAD repeats is reported once
    for (const auto& [name, value] : suite_.jad->List()) {
        const std::string* inManifest = suite_.manifest->Find(name);
        const bool ownRule = name == "MIDlet-Name" || name == "MIDlet-Vendor" || name == "MIDlet-Version";
        if (inManifest && *inManifest != *suite_.jad->Find(name) && !ownRule && reported.insert(name).second)
            findings_.Error(rules::kSignature, "signed suite whose " + name +
                                                   " differs between JAD and manifest: the JAR changed after signing");
    }
}

}  // namespace

void CheckSuiteAttributes(const SuiteAttributes& suite, const SuiteCheckOptions& options, Findings& findings) {
    RuleCheck(suite, options, findings).Run();
}

}  // namespace vorlan
