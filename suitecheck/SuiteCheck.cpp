// A suite's files found and read, and every check run over them.
#include "suitecheck/SuiteCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

#include "midlet/PathNames.h"
#include "suitecheck/ClassFileCheck.h"
#include "suitecheck/DescriptorSyntax.h"
#include "suitecheck/SuiteArchive.h"
#include "suitecheck/SuiteRules.h"

namespace vorlan {

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kLargestJad = 1024u * 1024u;
constexpr const char* kManifestEntry = "META-INF/MANIFEST.MF";

bool IsFile(const fs::path& path) {
    std::error_code failure;
    return fs::is_regular_file(path, failure);
}

std::optional<std::string> ReadSmallFile(const std::string& path, Findings& findings) {
    std::error_code failure;
    const std::uintmax_t size = fs::file_size(path, failure);
    if (failure || size > kLargestJad) {
        findings.Error(rules::kSuiteFile, failure ? failure.message() : "larger than 1 MiB, not a JAD");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Where the JAR that MIDlet-Jar-URL names lies: a file: URL's path (with or
// without "//host"), the last path segment of a web address beside the JAD,
// a relative path beside the JAD.
fs::path JarOfUrl(const fs::path& folder, std::string url) {
    if (url.rfind("file:", 0) == 0) {
        url.erase(0, 5);
        if (url.rfind("//", 0) == 0) url.erase(0, std::min(url.find('/', 2), url.size()));
    } else if (url.find("://") != std::string::npos) {
        url = url.substr(url.find_last_of('/') + 1);
    }
    return !url.empty() && url.front() == '/' ? fs::path(url) : folder / url;
}

// The JAR that MIDlet-Jar-URL names, else the JAR named like the JAD.
std::optional<std::string> FindJar(const std::string& jadPath, const Attributes& jad) {
    std::vector<fs::path> candidates;
    if (const std::string* url = jad.Find("MIDlet-Jar-URL"); url && !url->empty())
        candidates.push_back(JarOfUrl(fs::path(jadPath).parent_path(), *url));
    candidates.push_back(ReplaceLastThree(jadPath, "jar"));
    candidates.push_back(ReplaceLastThree(jadPath, "JAR"));
    for (const fs::path& candidate : candidates)
        if (IsFile(candidate)) return candidate.string();
    return std::nullopt;
}

std::optional<Attributes> ReadManifest(const SuiteArchive& archive, Findings& findings) {
    const auto manifest = archive.contents.find(kManifestEntry);
    if (manifest != archive.contents.end()) return ReadManifestAttributes(manifest->second, findings);
    if (archive.readable && archive.names.count(kManifestEntry) == 0)
        findings.Error(rules::kManifest, "the JAR has no META-INF/MANIFEST.MF (the name is case-sensitive)");
    return std::nullopt;  // an unreadable one is a ZIP_FORMAT error already
}

void CheckClasses(const SuiteArchive& archive, Findings& findings) {
    for (const auto& [name, bytes] : archive.contents)
        if (name != kManifestEntry) CheckClassFile(name, bytes, findings);
}

}  // namespace

Findings CheckSuite(const std::string& path, const ClassCheckSettings& classes) {
    Findings findings;
    const std::string extension = LowerExtension(path);
    if (extension != ".jad" && extension != ".jar") {
        findings.Error(rules::kSuiteFile, "not a .jad or .jar file");
        return findings;
    }
    if (!IsFile(path)) {
        findings.Error(rules::kSuiteFile, "no such file");
        return findings;
    }
    std::optional<Attributes> jad;
    std::optional<std::string> jarPath = path;
    if (extension == ".jad") {
        const std::optional<std::string> text = ReadSmallFile(path, findings);
        if (!text) return findings;
        jad = ReadJadAttributes(*text, findings);
        jarPath = FindJar(path, *jad);
        if (!jarPath) findings.Error(rules::kJarNotFound, "no JAR beside the JAD by its MIDlet-Jar-URL or its name");
    }
    std::optional<SuiteArchive> archive;
    std::optional<Attributes> manifest;
    if (jarPath) {
        archive = ReadSuiteArchive(*jarPath, findings);
        manifest = ReadManifest(*archive, findings);
        CheckClasses(*archive, findings);
    }
    const SuiteAttributes suite{jad ? &*jad : nullptr, manifest ? &*manifest : nullptr, archive ? &*archive : nullptr};
    CheckSuiteAttributes(suite, findings);
    if (archive) CheckMissingClasses(*archive, suite.jad, suite.manifest, classes, findings);
    return findings;
}

int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const ClassCheckSettings& classes) {
    int failed = 0;
    int errors = 0;
    int warnings = 0;
    for (const std::string& file : files) {
        const Findings findings = CheckSuite(file, classes);
        for (const Finding& finding : findings.List()) {
            output << file << ": " << finding.rule << ": " << (finding.error ? "" : "warning: ") << finding.text
                   << '\n';
            ++(finding.error ? errors : warnings);
        }
        if (findings.HasError()) ++failed;
    }
    output << files.size() << (files.size() == 1 ? " suite" : " suites")
           << " checked: " << files.size() - static_cast<std::size_t>(failed) << " would install, " << failed
           << " would not (" << errors << " errors, " << warnings << " warnings)\n";
    return failed > 0 ? 1 : 0;
}

}  // namespace vorlan
