// SPDX-License-Identifier: MIT
// Choosing a JAR's API archives from the classes it lacks.
#include "midlet/AutoApiChooser.h"

#include "midlet/ApiCatalogue.h"
#include "midlet/ChoiceLookahead.h"
#include "suitecheck/ClassProviders.h"
#include "suitecheck/DescriptorSyntax.h"
#include "suitecheck/MissingClasses.h"
#include "suitecheck/SuiteArchive.h"

namespace vorlan {

namespace {

std::string ValueOf(const Attributes& attributes, const char* name) {
    const std::string* value = attributes.Find(name);
    return value ? *value : std::string();
}

}  // namespace

AutoApiChooser::AutoApiChooser(ApiSets optionalPackages) : optionalPackages_(optionalPackages) {}

AutoApiChooser::~AutoApiChooser() = default;

void AutoApiChooser::IndexCatalogue(const std::vector<std::string>& archives) {
    lookahead_.reset();  // its thread reads the index about to be replaced
    std::vector<ClassProviders::Archive> located;
    for (const std::string& name : archives) located.push_back({name, ApiArchivePath(name)});
    providers_ = std::make_unique<ClassProviders>(located);
}

void AutoApiChooser::Expect(const std::string& jarPath) {
    // The engines change the working folder while they work: only a path
    // that does not depend on it can be read on another thread.
    if (jarPath.empty() || jarPath.front() != '/') return;
    if (!providers_) IndexCatalogue({});
    if (!lookahead_)
        lookahead_ = std::make_unique<ChoiceLookahead>([this](const std::string& path) { return Scan(path); });
    lookahead_->Expect(jarPath);
}

ApiChoice AutoApiChooser::Choose(const std::string& jarPath) {
    if (!providers_) IndexCatalogue({});
    if (lookahead_)
        if (std::optional<ApiChoice> ahead = lookahead_->Take(jarPath)) return std::move(*ahead);
    return Scan(jarPath);
}

ApiChoice AutoApiChooser::Scan(const std::string& jarPath) const {
    // What makes the JAR unsound is not this choice's to report: the batch
    // reads it again, and fails it or leaves it as it is.
    Findings ignored;
    ClassScan scan;
    const SuiteArchive archive = ReadSuiteArchive(
        jarPath, ignored, [&scan](const std::string& name, const std::string& bytes) { scan.Add(name, bytes); },
        EntryReads::ManifestAndClasses);
    Attributes manifest;
    if (archive.manifest) manifest = ReadManifestAttributes(*archive.manifest, ignored);
    const Platform platform(ValueOf(manifest, "MicroEdition-Configuration"), ValueOf(manifest, "MicroEdition-Profile"),
                            optionalPackages_);
    std::vector<std::string> lacking;
    for (const MissingClass& missing : FindMissingClasses(scan, archive, platform, {})) lacking.push_back(missing.name);
    return providers_->Choose(lacking, [&archive, &platform](const std::string& name) {
        return archive.names.Has(name + ".class") || platform.Has(name);
    });
}

}  // namespace vorlan
