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

bool IsWebAddress(const std::string& url) {
    return url.find("://") != std::string::npos && url.rfind("file:", 0) != 0;
}

// Where the JAR of a local MIDlet-Jar-URL lies: a file: URL's path (with or
// without "//host"), a relative path beside the JAD.
fs::path JarOfLocalUrl(const fs::path& folder, std::string url) {
    if (url.rfind("file:", 0) == 0) {
        url.erase(0, 5);
        if (url.rfind("//", 0) == 0) url.erase(0, std::min(url.find('/', 2), url.size()));
    }
    return !url.empty() && url.front() == '/' ? fs::path(url) : folder / url;
}

// The JAR a phone would install: the one MIDlet-Jar-URL names, and no other.
// A web address cannot be fetched here: the file of its last path segment
// beside the JAD stands in for it. Without a URL (already an error), the JAR
// named like the JAD is checked.
std::optional<std::string> FindJar(const std::string& jadPath, const Attributes& jad, Findings& findings) {
    const fs::path folder = fs::path(jadPath).parent_path();
    const std::string* url = jad.Find("MIDlet-Jar-URL");
    if (url == nullptr || url->empty()) {
        for (const std::string& candidate : {ReplaceLastThree(jadPath, "jar"), ReplaceLastThree(jadPath, "JAR")})
            if (IsFile(candidate)) return candidate;
        findings.Error(rules::kJarNotFound, "no JAR beside the JAD by its name");
        return std::nullopt;
    }
    if (IsWebAddress(*url)) {
        const fs::path local = folder / url->substr(url->find_last_of('/') + 1);
        if (!IsFile(local)) {
            findings.Error(rules::kJarNotFound, "MIDlet-Jar-URL is the web address " + *url + ", and no " +
                                                    local.filename().string() + " lies beside the JAD");
            return std::nullopt;
        }
        findings.Warning(rules::kJarNotFound, "MIDlet-Jar-URL is the web address " + *url + ": " +
                                                  local.filename().string() + " beside the JAD is checked instead");
        return local.string();
    }
    const fs::path jar = JarOfLocalUrl(folder, *url);
    if (IsFile(jar)) return jar.string();
    findings.Error(rules::kJarNotFound,
                   "MIDlet-Jar-URL names " + *url + ", which is not there: a phone looks nowhere else");
    return std::nullopt;
}

}  // namespace

std::optional<Attributes> ReadArchiveManifest(const SuiteArchive& archive, Findings& findings) {
    const auto manifest = archive.contents.find(kManifestEntry);
    if (manifest != archive.contents.end()) return ReadManifestAttributes(manifest->second, findings);
    if (archive.readable && archive.names.count(kManifestEntry) == 0)
        findings.Error(rules::kManifest, "the JAR has no META-INF/MANIFEST.MF (the name is case-sensitive)");
    return std::nullopt;  // an unreadable one is a ZIP_FORMAT error already
}

void CheckArchiveClasses(const SuiteArchive& archive, Findings& findings) {
    for (const auto& [name, bytes] : archive.contents)
        if (name != kManifestEntry) CheckClassFile(name, bytes, findings);
}

Findings CheckSuite(const std::string& path, const SuiteCheckOptions& options) {
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
        jarPath = FindJar(path, *jad, findings);
    }
    std::optional<SuiteArchive> archive;
    std::optional<Attributes> manifest;
    if (jarPath) {
        archive = ReadSuiteArchive(*jarPath, findings);
        manifest = ReadArchiveManifest(*archive, findings);
        CheckArchiveClasses(*archive, findings);
    }
    const SuiteAttributes suite{jad ? &*jad : nullptr, manifest ? &*manifest : nullptr, archive ? &*archive : nullptr,
                                jarPath.value_or(std::string())};
    CheckSuiteAttributes(suite, options, findings);
    return findings;
}

int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const SuiteCheckOptions& options) {
    std::size_t notInstalling = 0;
    std::size_t notStarting = 0;
    int errors = 0;
    int warnings = 0;
    for (const std::string& file : files) {
        const Findings findings = CheckSuite(file, options);
        bool stopsInstall = false;
        for (const Finding& finding : findings.List()) {
            output << file << ": " << finding.rule << ": " << (finding.error ? "" : "warning: ") << finding.text
                   << '\n';
            ++(finding.error ? errors : warnings);
            stopsInstall = stopsInstall || (finding.error && StopsInstall(finding.rule));
        }
        if (stopsInstall)
            ++notInstalling;
        else if (findings.HasError())
            ++notStarting;
    }
    output << files.size() << (files.size() == 1 ? " suite" : " suites")
           << " checked: " << files.size() - notInstalling - notStarting << " would install, " << notInstalling
           << " would not install, " << notStarting << " would install but not start (" << errors << " errors, "
           << warnings << " warnings)\n";
    return errors > 0 ? 1 : 0;
}

}  // namespace vorlan
