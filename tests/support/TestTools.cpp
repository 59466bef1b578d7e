// SPDX-License-Identifier: MIT
// Test helpers: temporary folders, files, and the real archive tools.
#include "tests/support/TestTools.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorlan::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vorlan-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;  // a test that failed half-way may leave odd permissions
    RunCommand({"chmod", "-R", "u+rwX", path_.string()});
    fs::remove_all(path_, ignored);
}

ScopedVariable::ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

ScopedVariable::~ScopedVariable() {
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::map<std::string, std::string> FolderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        if (entry.is_symlink())
            contents[name] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            contents[name] = ReadFile(entry.path());
    }
    return contents;
}

std::vector<std::string> OutputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

CommandResult RunCommand(const std::vector<std::string>& argv, const fs::path& workDir) {
    ChildOptions options;
    options.workDir = workDir;
    options.environment["LC_ALL"] = "C.UTF-8";
    return RunChild(argv, options);
}

bool ToolAvailable(const std::string& program) {
    return RunCommand({"sh", "-c", "command -v " + program}).status == 0;
}

namespace {

void Stage(const Files& files, const fs::path& folder) {
    for (const auto& [name, content] : files) {
        if (!name.empty() && name.back() == '/')
            fs::create_directories(folder / name);
        else
            WriteFile(folder / name, content);
    }
}

void Require(const CommandResult& result, const std::string& what) {
    if (result.status != 0) throw std::runtime_error(what + " failed: " + result.output + result.errors);
}

const char* kPythonPacker = R"(
import sys, zipfile
archive, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        if name.endswith("/"):
            z.writestr(name, b"")
        else:
            z.write(folder + "/" + name, name)
)";

}  // namespace

void PackWith(const std::string& tool, const Files& files, const fs::path& archive) {
    TempDir staging;
    Stage(files, staging.path());
    const fs::path target = fs::absolute(archive);
    fs::remove(target);
    if (tool == "jar") {
        const bool manifest = files.count("META-INF/MANIFEST.MF") != 0;
        std::vector<std::string> argv{"jar", manifest ? "cfm" : "cfM", target.string()};
        if (manifest) argv.push_back((staging.path() / "META-INF/MANIFEST.MF").string());
        for (const auto& [name, content] : files)
            if (name.rfind("META-INF/MANIFEST.MF", 0) != 0 && name != "META-INF/") argv.push_back(name);
        Require(RunCommand(argv, staging.path()), "jar");
    } else if (tool == "zip") {
        std::vector<std::string> argv{"zip", "-q", "-X", target.string()};
        for (const auto& [name, content] : files) argv.push_back(name);
        Require(RunCommand(argv, staging.path()), "zip");
    } else if (tool == "python") {
        std::vector<std::string> argv{"python3", "-c", kPythonPacker, target.string(), staging.str()};
        for (const auto& [name, content] : files) argv.push_back(name);
        Require(RunCommand(argv), "python zipfile");
    } else {
        throw std::runtime_error("unknown packing tool " + tool);
    }
}

bool UnzipTestPasses(const fs::path& archive) {
    return RunCommand({"unzip", "-tqq", archive.string()}).status == 0;
}

// unzip's status 1 is a warning only (bytes in front of the archive, say):
// the listing or the content is still whole.
std::vector<std::string> ArchiveNames(const fs::path& archive) {
    const CommandResult listing = RunCommand({"unzip", "-Z1", archive.string()});
    if (listing.status > 1) throw std::runtime_error("unzip cannot list " + archive.string() + ": " + listing.errors);
    return OutputLines(listing.output);
}

std::string ArchiveEntry(const fs::path& archive, const std::string& name) {
    const CommandResult content = RunCommand({"unzip", "-p", archive.string(), name});
    if (content.status > 1) throw std::runtime_error("no entry " + name + " in " + archive.string());
    return content.output;
}

std::vector<std::string> JavaReadManifest(const fs::path& jar) {
    // Compiled once per version of its source, which the folder's name tells.
    const std::string source = std::string(VORLAN_SOURCE_DIR) + "/tests/support/JarCheck.java";
    const fs::path classes =
        fs::path(VORLAN_TEST_WORK_DIR) / ("jarcheck-" + std::to_string(std::hash<std::string>{}(ReadFile(source))));
    if (!fs::exists(classes / "JarCheck.class")) {
        // Tests run in parallel: compile aside, then move into place once.
        const fs::path aside = classes.string() + ".tmp" + std::to_string(getpid());
        fs::create_directories(aside);
        Require(RunCommand({"javac", "-d", aside.string(), source}), "javac JarCheck");
        std::error_code lostTheRace;  // another test put it there first: same class
        fs::rename(aside, classes, lostTheRace);
        fs::remove_all(aside, lostTheRace);
    }
    const CommandResult result = RunCommand({"java", "-cp", classes.string(), "JarCheck", jar.string()});
    if (result.status != 0)
        throw std::runtime_error("Java cannot read " + jar.string() + ": " + result.output + result.errors);
    return OutputLines(result.output);
}

}  // namespace vorlan::test
