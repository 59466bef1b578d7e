// SPDX-License-Identifier: MIT
// Indexing the API catalogue's classes, and choosing archives for a JAR.
#include "suitecheck/ClassProviders.h"

#include <algorithm>
#include <deque>
#include <map>

#include "suitecheck/ClassReferences.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

namespace {

constexpr std::string_view kClassSuffix = ".class";

}  // namespace

ClassProviders::ClassProviders(const std::vector<Archive>& archives) {
    for (const Archive& archive : archives) {
        Findings ignored;  // an archive that cannot be used is reported when it is extracted
        std::vector<ClassReferences> classes;
        const SuiteArchive read =
            ReadSuiteArchive(archive.path, ignored, [&classes](const std::string&, const std::string& bytes) {
                try {
                    if (auto references = ReadClassReferences(bytes)) classes.push_back(std::move(*references));
                } catch (const std::exception&) {
                    // A class file that cannot be read names nothing.
                }
            });
        Indexed indexed{archive.name, {}};
        std::set<std::string> holds;
        for (const std::string_view entry : read.names.Sorted()) {
            if (entry.size() <= kClassSuffix.size() || !entry.ends_with(kClassSuffix)) continue;
            holds.emplace(entry.substr(0, entry.size() - kClassSuffix.size()));
        }
        for (const ClassReferences& references : classes)
            for (const std::string& named : references.named)
                if (holds.count(named) == 0) indexed.lacks.insert(named);
        for (const std::string& name : holds) providers_[name].push_back(archives_.size());
        archives_.push_back(std::move(indexed));
    }
}

std::vector<std::string> ClassProviders::ProvidersOf(const std::string& className) const {
    std::vector<std::string> names;
    if (const auto found = providers_.find(className); found != providers_.end())
        for (const std::size_t index : found->second) names.push_back(archives_[index].name);
    return names;
}

ApiChoice ClassProviders::Choose(const std::vector<std::string>& lacking,
                                 const std::function<bool(const std::string&)>& present) const {
    std::map<std::size_t, std::set<std::string>> chosen;  // archive -> the classes it is chosen for
    std::set<std::string> seen(lacking.begin(), lacking.end());
    std::deque<std::string> toFind(seen.begin(), seen.end());
    ApiChoice choice;
    for (; !toFind.empty(); toFind.pop_front()) {
        const std::string& name = toFind.front();
        const auto found = providers_.find(name);
        if (found == providers_.end()) {
            choice.unprovided.push_back(name);
            continue;
        }
        const std::vector<std::size_t>& providers = found->second;
        const auto already = std::find_if(providers.begin(), providers.end(),
                                          [&chosen](std::size_t index) { return chosen.count(index) != 0; });
        const std::size_t archive = already != providers.end() ? *already : providers.front();
        if (chosen.count(archive) == 0)
            for (const std::string& next : archives_[archive].lacks)
                if (!present(next) && seen.insert(next).second) toFind.push_back(next);
        chosen[archive].insert(name);
    }
    for (const auto& [index, classes] : chosen)
        choice.archives.push_back({archives_[index].name, {classes.begin(), classes.end()}});
    std::sort(choice.unprovided.begin(), choice.unprovided.end());
    return choice;
}

}  // namespace vorlan
