// SPDX-License-Identifier: MIT
// Test helpers: temporary folders, whole-file reads and writes, running the
// real archive tools (JDK jar, Info-ZIP zip/unzip, Python zipfile, Java's
// JarFile) on files the tests make.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace vorlan::test {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed (links not
// followed) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Sets an environment variable (unsets it for nullopt) for the object's
// life, then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);  // creates parent folders

// Every regular file below folder by relative path, with its bytes; links
// by where they point ("-> target"), never followed.
std::map<std::string, std::string> FolderContents(const fs::path& folder);

// The text's lines, split at each line feed (a CR before it stays).
std::vector<std::string> OutputLines(const std::string& text);
// Manifest or JAD text: every line followed by CR LF.
std::string CrLfLines(const std::vector<std::string>& lines);

// Runs argv (no shell) in the given folder, or in the current one when empty,
// under the C.UTF-8 locale whatever the test's own: the tools then take the
// tests' UTF-8 file names as they are, and no locale warning of the C
// library reaches the output a test compares.
using CommandResult = ChildResult;
CommandResult RunCommand(const std::vector<std::string>& argv, const fs::path& workDir = {});
bool ToolAvailable(const std::string& program);

// The files of a suite to pack: entry name -> content. Names ending in "/"
// are folders.
using Files = std::map<std::string, std::string>;

// Packs files into a zip at `archive` with the named tool, from a staging
// folder: "jar" (JDK jar, manifest taken from META-INF/MANIFEST.MF when present,
// none made up), "zip" (Info-ZIP zip -r), "python" (zipfile, deflated, in map
// order). Throws std::runtime_error when the tool fails.
void PackWith(const std::string& tool, const Files& files, const fs::path& archive);

// `unzip -t` of the archive passes.
bool UnzipTestPasses(const fs::path& archive);

// What unzip reads in an archive: its entry names in archive order, and one
// entry's content; std::runtime_error when unzip cannot read it or finds no
// such entry.
std::vector<std::string> ArchiveNames(const fs::path& archive);
std::string ArchiveEntry(const fs::path& archive, const std::string& name);

// Java's JarFile reads the archive: every entry is read (CRCs checked) and
// the manifest parsed. Returns the main attributes as "Key: value" lines in
// the manifest's order, or throws std::runtime_error with Java's message.
std::vector<std::string> JavaReadManifest(const fs::path& jar);

}  // namespace vorlan::test
