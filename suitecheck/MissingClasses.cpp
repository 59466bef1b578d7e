// SPDX-License-Identifier: MIT
// Finding the classes a suite names and lacks.
#include "suitecheck/MissingClasses.h"

#include <map>
#include <set>

#include "suitecheck/ClassProviders.h"
#include "suitecheck/ClassReferences.h"

namespace vorlan {

namespace {

using ScannedClasses = std::map<std::string, ClassReferences>;

constexpr std::string_view kClassSuffix = ".class";

bool InJar(const SuiteArchive& archive, const std::string& name) {
    return archive.names.Has(name + std::string(kClassSuffix));
}

// Marks the missing classes that loading the start classes needs.
void MarkNeededToStart(const SuiteArchive& archive, const ScannedClasses& scanned,
                       const std::vector<std::string>& startClasses, std::map<std::string, MissingClass>& missing) {
    std::set<std::string> visited;
    std::vector<std::string> toVisit(startClasses);
    while (!toVisit.empty()) {
        const std::string name = toVisit.back();
        toVisit.pop_back();
        const auto found = scanned.find(name);
        if (!visited.insert(name).second || found == scanned.end()) continue;
        std::vector<std::string> needed{found->second.superclass};
        needed.insert(needed.end(), found->second.interfaces.begin(), found->second.interfaces.end());
        needed.insert(needed.end(), found->second.namedAtStartUp.begin(), found->second.namedAtStartUp.end());
        for (const std::string& next : needed) {
            if (InJar(archive, next)) toVisit.push_back(next);
            if (const auto lacking = missing.find(next); lacking != missing.end()) lacking->second.neededToStart = true;
        }
    }
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The attribute as a phone takes it: the JAD's, else the manifest's.
std::string Effective(const Attributes* jad, const Attributes* manifest, const std::string& name) {
    const std::string* value = jad ? jad->Find(name) : nullptr;
    if (value == nullptr && manifest) value = manifest->Find(name);
    return value ? *value : std::string();
}

// The MIDlet classes of MIDlet-1, MIDlet-2, ... ("name, icon, class"), as
// internal names.
std::vector<std::string> MidletClasses(const Attributes* jad, const Attributes* manifest) {
    std::vector<std::string> classes;
    for (int n = 1;; ++n) {
        const std::string value = Effective(jad, manifest, "MIDlet-" + std::to_string(n));
        if (value.empty()) return classes;
        const std::size_t comma = value.find(',', value.find(',') + 1);
        if (value.find(',') == std::string::npos || comma == std::string::npos) continue;
        std::string name = Trimmed(value.substr(comma + 1));
        for (char& c : name)
            if (c == '.') c = '/';
        classes.push_back(name);
    }
}

std::string FindingText(const MissingClass& missing, const Platform& platform, const ClassProviders* providers) {
    std::string text = missing.name + " (named by " + missing.namedBy.front();
    if (missing.namedBy.size() > 1) text += " and " + std::to_string(missing.namedBy.size() - 1) + " more";
    text += "): " + platform.WhyMissing(missing.name);
    if (missing.neededToStart) text += "; the suite cannot start without it";
    const std::vector<std::string> archives =
        providers ? providers->ProvidersOf(missing.name) : std::vector<std::string>();
    for (std::size_t i = 0; i < archives.size(); ++i) text += (i == 0 ? "; provided by " : ", ") + archives[i];
    return text;
}

}  // namespace

void ClassScan::Add(const std::string& entryName, const std::string& bytes) {
    if (entryName.size() <= kClassSuffix.size() || !entryName.ends_with(kClassSuffix)) return;
    try {
        if (auto references = ReadClassReferences(bytes))
            classes_.emplace(entryName.substr(0, entryName.size() - kClassSuffix.size()), std::move(*references));
    } catch (const std::exception&) {
        // Not a class file that can be read: CheckClassFile reports it.
    }
}

std::vector<MissingClass> FindMissingClasses(const ClassScan& scan, const SuiteArchive& archive,
                                             const Platform& platform, const std::vector<std::string>& startClasses) {
    const ScannedClasses& scanned = scan.Classes();
    std::map<std::string, MissingClass> missing;
    for (const auto& [name, references] : scanned) {
        for (const std::string& named : references.named) {
            if (InJar(archive, named) || platform.Has(named)) continue;
            MissingClass& entry = missing[named];
            entry.name = named;
            entry.namedBy.push_back(name);  // scanned in name order
        }
    }
    MarkNeededToStart(archive, scanned, startClasses, missing);
    std::vector<MissingClass> list;
    for (auto& entry : missing) list.push_back(std::move(entry.second));
    return list;
}

void CheckMissingClasses(const ClassScan& scan, const SuiteArchive& archive, const Attributes* jad,
                         const Attributes* manifest, const ClassCheckSettings& settings, Findings& findings) {
    const Platform platform(Effective(jad, manifest, "MicroEdition-Configuration"),
                            Effective(jad, manifest, "MicroEdition-Profile"), settings.optionalPackages);
    for (const MissingClass& missing : FindMissingClasses(scan, archive, platform, MidletClasses(jad, manifest))) {
        const std::string text = FindingText(missing, platform, settings.providers);
        if (missing.neededToStart)
            findings.Error(rules::kMissingClass, text);
        else
            findings.Warning(rules::kMissingClass, text);
    }
}

}  // namespace vorlan
