// SPDX-License-Identifier: MIT
// The checker over a suite about to be committed.
#include "midlet/WrittenSuiteCheck.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

#include "filecommit/FileDescriptor.h"
#include "fsutil/FilesBelow.h"
#include "midlet/Descriptor.h"
#include "midlet/EntryWarnings.h"
#include "midlet/PathNames.h"
#include "suitecheck/ClassFileCheck.h"
#include "suitecheck/DescriptorSyntax.h"
#include "suitecheck/SuiteArchive.h"
#include "suitecheck/SuiteCheck.h"
#include "suitecheck/SuiteRules.h"
#include "zip/TZip.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace {

std::string ForwardSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

// The JAR as its directory shows it, with what a phone's zip reader needs of
// every entry that the directory tells: one entry per name, stored or
// deflated, not encrypted. The content of entries is not read again.
SuiteArchive ArchiveFromDirectory(const WrittenSuite& suite, Findings& findings) {
    SuiteArchive archive;
    archive.readable = true;
    archive.size = static_cast<std::uint64_t>(static_cast<std::uint32_t>(FileSizeByName(suite.jarPath)));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(suite.directory->EntryCount()));
    for (std::int32_t i = 0; i < suite.directory->EntryCount(); ++i) {
        std::string name = ForwardSlashes(suite.directory->Entry(i).FileName);
        if (suite.manifestRenamed && EqualsIgnoringCase(name, kManifestEntryName)) name = kManifestEntryName;
        names.push_back(std::move(name));
    }
    archive.names = EntryNames(std::move(names));
    for (std::int32_t i = 0; i < suite.directory->EntryCount(); ++i) {
        const TFileInfo& entry = suite.directory->Entry(i);
        const std::string& name = archive.names[static_cast<std::size_t>(i)];
        if (entry.Encrypted) findings.Error(rules::kZip, "the entry " + name + " cannot be read: it is encrypted");
        if (entry.CompressionMethod != 0 && entry.CompressionMethod != 8)
            findings.Error(rules::kZip, "the entry " + name + " cannot be read: compression method " +
                                            std::to_string(entry.CompressionMethod) +
                                            " (phones read only stored and deflated entries)");
        if (archive.names.Repeated(static_cast<std::size_t>(i)))
            findings.Error(rules::kZip, "the entry " + name + " is stored twice");
    }
    if (archive.names.Has(kManifestEntryName)) archive.manifest = suite.manifestBytes;
    return archive;
}

// The findings over the suite, its JAR read whole when wholeJar.
Findings CheckSuiteInHand(const WrittenSuite& suite, const SuiteWriteOptions& options, bool wholeJar) {
    Findings findings;
    const Attributes jad = ReadJadAttributes(suite.jadText, findings);
    Findings classFindings;
    const SuiteArchive archive =
        wholeJar ? ReadSuiteArchive(suite.jarPath, findings,
                                    [&classFindings](const std::string& name, const std::string& bytes) {
                                        CheckClassFile(name, bytes, classFindings);
                                    })
                 : ArchiveFromDirectory(suite, findings);
    const std::optional<Attributes> manifest = ReadArchiveManifest(archive, findings);
    if (wholeJar) {
        findings.Append(classFindings);
    } else if (suite.addedClasses) {
        for (const Finding& finding : *suite.addedClasses)
            (finding.error ? findings.Error(finding.rule, finding.text) : findings.Warning(finding.rule, finding.text));
    }
    CheckSuiteAttributes({&jad, manifest ? &*manifest : nullptr, &archive, suite.jarPath}, options.check, findings);
    return findings;
}

// The first finding of each rule, its text telling how many more there are.
std::vector<Finding> OnePerRule(const std::vector<Finding>& findings) {
    std::vector<Finding> first;
    std::map<std::string, std::size_t> more;
    for (const Finding& finding : findings) {
        const bool seen = std::any_of(first.begin(), first.end(),
                                      [&finding](const Finding& kept) { return kept.rule == finding.rule; });
        if (seen)
            ++more[finding.rule];
        else
            first.push_back(finding);
    }
    for (Finding& finding : first)
        if (more[finding.rule] > 0)
            finding.text += " (and " + std::to_string(more[finding.rule]) + " more class files of the API files added)";
    return first;
}

}  // namespace

void CheckWrittenSuite(const WrittenSuite& suite, const SuiteWriteOptions& options, EntryWarnings& warnings) {
    const Findings findings = CheckSuiteInHand(suite, options, options.strict);
    for (const Finding& finding : findings.List())
        if (finding.error)
            warnings.Add(std::string(StopsInstall(finding.rule) ? "would not install: " : "would not start: ") +
                         finding.rule + ": " + finding.text);
    if (options.strict && findings.HasError())
        throw std::runtime_error(
            "the suite would not work on a phone (see the warnings): with --strict its files are "
            "left as they were");
}

std::vector<Finding> CheckClassesBelow(const std::string& folder) {
    Findings findings;
    ForEachFileBelow(folder, [&folder, &findings](const std::string& name) {
        if (name.size() < 6 || name.compare(name.size() - 6, 6, ".class") != 0) return true;
        std::string bytes;
        static_cast<void>(ReadRegularFile(folder + "/" + name, bytes));  // what cannot be read is checked as what was
        CheckClassFile(name, bytes, findings);
        return true;
    });
    return OnePerRule(findings.List());
}

}  // namespace vorlan
