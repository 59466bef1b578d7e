// SPDX-License-Identifier: MIT
// A suite's files found and read, and every check run over them.
#include "suitecheck/SuiteCheck.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

#include "filecommit/FileDescriptor.h"
#include "platform/ShownNames.h"
#include "suitecheck/ClassFileCheck.h"
#include "suitecheck/DescriptorSyntax.h"
#include "suitecheck/DuplicateSuites.h"
#include "suitecheck/FindingsSpill.h"
#include "suitecheck/SuiteArchive.h"
#include "suitecheck/SuiteRules.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kLargestJad = 1024u * 1024u;
// Past a few threads the check waits on reading the files, and each thread
// holds up to a few MiB of buffers.
constexpr unsigned kMostCheckThreads = 4;

// The extension of the path's last part in ASCII lower case, with its dot.
std::string LowerExtension(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

// The JAD's path with its extension's three letters replaced.
std::string WithExtension(const std::string& jadPath, const char* letters) {
    return jadPath.substr(0, jadPath.size() - 3) + letters;
}

bool IsFile(const fs::path& path) {
    std::error_code failure;
    return fs::is_regular_file(path, failure);
}

std::optional<std::string> ReadSmallFile(const std::string& path, Findings& findings) {
    std::string bytes;
    const int error = ReadRegularFile(path, bytes, kLargestJad);
    if (error == 0) return bytes;
    findings.Error(rules::kSuiteFile, error == EFBIG             ? "larger than 1 MiB, not a JAD"
                                      : error == kNotRegularFile ? "not a regular file"
                                                                 : std::strerror(error));
    return std::nullopt;
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
        for (const std::string& candidate : {WithExtension(jadPath, "jar"), WithExtension(jadPath, "JAR")})
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

// The name and vendor a phone takes the suite by: the JAD's when there is
// one, else the manifest's.
void NoteNames(const Attributes* attributes, SuiteNames* names) {
    if (attributes == nullptr || names == nullptr) return;
    if (const std::string* name = attributes->Find("MIDlet-Name")) names->name = *name;
    if (const std::string* vendor = attributes->Find("MIDlet-Vendor")) names->vendor = *vendor;
}

// The JAR's findings: its zip form, its manifest, then its class files, each
// checked as it is read, never all held at once.
void CheckJar(const std::string& jarPath, const Attributes* jad, const SuiteCheckOptions& options,
              const ClassCheckSettings& classes, Findings& findings, SuiteNames* names) {
    Findings classFindings;
    ClassScan scan;
    const SuiteArchive archive =
        ReadSuiteArchive(jarPath, findings, [&classFindings, &scan](const std::string& name, const std::string& bytes) {
            CheckClassFile(name, bytes, classFindings);
            scan.Add(name, bytes);
        });
    const std::optional<Attributes> manifest = ReadArchiveManifest(archive, findings);
    findings.Append(classFindings);
    const Attributes* manifestAttributes = manifest ? &*manifest : nullptr;
    NoteNames(jad != nullptr ? jad : manifestAttributes, names);
    CheckSuiteAttributes(SuiteAttributes{jad, manifestAttributes, &archive, jarPath}, options, findings);
    CheckMissingClasses(scan, archive, jad, manifestAttributes, classes, findings);
}

void CheckSuiteFiles(const std::string& path, const SuiteCheckOptions& options, const ClassCheckSettings& classes,
                     Findings& findings, SuiteNames* names) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) return findings.Error(rules::kSuiteFile, "no such file");
    if (fs::is_directory(path, error))
        return findings.Error(rules::kSuiteFile, "is a folder; use -r to check the suites in it");
    const std::string extension = LowerExtension(path);
    if (extension != ".jad" && extension != ".jar") return findings.Error(rules::kSuiteFile, "not a .jad or .jar file");
    if (!IsFile(path)) return findings.Error(rules::kSuiteFile, "no such file");
    if (extension == ".jar") return CheckJar(path, nullptr, options, classes, findings, names);
    const std::optional<std::string> text = ReadSmallFile(path, findings);
    if (!text) return;
    const Attributes jad = ReadJadAttributes(*text, findings);
    if (const std::optional<std::string> jarPath = FindJar(path, jad, findings))
        return CheckJar(*jarPath, &jad, options, classes, findings, names);
    NoteNames(&jad, names);
    CheckSuiteAttributes(SuiteAttributes{&jad, nullptr, nullptr, std::string()}, options, findings);
}

}  // namespace

std::optional<Attributes> ReadArchiveManifest(const SuiteArchive& archive, Findings& findings) {
    if (archive.manifest) return ReadManifestAttributes(*archive.manifest, findings);
    if (archive.readable && !archive.names.Has(kManifestEntryName))
        findings.Error(rules::kManifest, "the JAR has no META-INF/MANIFEST.MF (the name is case-sensitive)");
    return std::nullopt;  // an unreadable one is a ZIP_FORMAT error already
}

namespace {

// The suite's findings; false when its check ran out of memory.
bool CheckSuiteWithin(const std::string& path, const SuiteCheckOptions& options, const ClassCheckSettings& classes,
                      SuiteNames* names, Findings& findings) {
    findings = Findings();
    try {
        CheckSuiteFiles(path, options, classes, findings, names);
        return true;
    } catch (const std::bad_alloc&) {
        // What the suite held is gone by now; the run goes on with the next one.
        findings.Error(rules::kSuiteFile, "the check ran out of memory; the suite was not checked to the end");
        return false;
    }
}

}  // namespace

Findings CheckSuite(const std::string& path, const SuiteCheckOptions& options, const ClassCheckSettings& classes,
                    SuiteNames* names) {
    Findings findings;
    CheckSuiteWithin(path, options, classes, names, findings);
    return findings;
}

namespace {

void NoteChecked(std::size_t suite, const Findings& findings, const SuiteCheckRun& run, FindingsSpill& checked) {
    checked.Put(suite, findings);
    if (run.counted) run.counted(!findings.HasError());
}

// Checks every suite, a thread per core taking the next one in the list:
// a suite's check reads only its own files and the shared, unchanging API
// index, and inflating its entries is most of the work. A suite whose check
// ran out of memory beside another's is checked again once no other check
// runs: what fails it then is its own.
void CheckEverySuite(const std::vector<std::string>& files, const SuiteCheckOptions& options,
                     const ClassCheckSettings& classes, const SuiteCheckRun& run, FindingsSpill& checked,
                     std::vector<SuiteNames>& names) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex counting;
    std::exception_ptr failure;
    std::vector<std::size_t> outOfMemory;
    const std::size_t threads =
        std::min<std::size_t>(std::max(1u, std::min(std::thread::hardware_concurrency(), kMostCheckThreads)),
                              std::max<std::size_t>(files.size(), 1));
    const auto checkSome = [&] {
        try {
            Findings findings;
            for (std::size_t i = next++; i < files.size() && !failed; i = next++) {
                const bool within = CheckSuiteWithin(files[i], options, classes, &names[i], findings);
                const std::lock_guard<std::mutex> lock(counting);
                if (!within && threads > 1)
                    outOfMemory.push_back(i);
                else
                    NoteChecked(i, findings, run, checked);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(counting);
            if (!failed.exchange(true)) failure = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (std::size_t k = 1; k < threads; ++k) helpers.emplace_back(checkSome);
        checkSome();
    }
    if (failure) std::rethrow_exception(failure);
    std::sort(outOfMemory.begin(), outOfMemory.end());
    for (const std::size_t i : outOfMemory) {
        Findings findings;
        names[i] = SuiteNames();
        CheckSuiteWithin(files[i], options, classes, &names[i], findings);
        NoteChecked(i, findings, run, checked);
    }
}

}  // namespace

int RunSuiteCheck(const std::vector<std::string>& files, std::ostream& output, const SuiteCheckOptions& options,
                  const ClassCheckSettings& classes, const SuiteCheckRun& run) {
    // All suites are checked before any is printed: a suite learns only
    // from the ones after it that it shares their name and vendor.
    FindingsSpill checked(files.size());
    std::vector<SuiteNames> names(files.size());
    CheckEverySuite(files, options, classes, run, checked, names);
    const std::vector<std::string> duplicates = DuplicateSuiteTexts(files, names);
    std::size_t notInstalling = 0;
    std::size_t notStarting = 0;
    int errors = 0;
    int warnings = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Findings findings = checked.Take(i);
        if (!duplicates[i].empty()) findings.Warning(rules::kDuplicateSuite, duplicates[i]);
        if (run.checked) run.checked(files[i], findings);
        bool stopsInstall = false;
        for (const Finding& finding : findings.List()) {
            if (finding.error || !run.errorsOnly)
                output << ShownFileName(files[i]) << ": " << finding.rule << ": " << (finding.error ? "" : "warning: ")
                       << finding.text << '\n';
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
