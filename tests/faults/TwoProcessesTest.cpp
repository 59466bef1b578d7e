// SPDX-License-Identifier: MIT
// Two vorlan-batch processes over one list of suites, each adding another API
// archive: each suite is worked on by one process at a time, so every JAR
// ends with the files of both archives (no update lost) and every JAD states
// the size of the JAR beside it.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/ChildProcess.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

constexpr int kSuites = 40;

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string BatchCommand(const fs::path& apiFolder, const std::string& api, const std::vector<std::string>& jars) {
    std::string command =
        ShellQuoted(VorlanBatchProgram()) + " --mode 0 --api-dir " + ShellQuoted(apiFolder.string()) + " --api " + api;
    for (const std::string& jar : jars) command += " " + ShellQuoted(jar);
    return command;
}

TEST(TwoProcesses, NoUpdateIsLostAndEveryDescriptorMatchesItsJar) {
    TempDir work;
    const fs::path suites = work / "suites";
    std::vector<std::string> jars;
    for (int i = 0; i < kSuites; ++i) {
        const std::string name = "s" + std::to_string(i);
        const std::string manifest = "Manifest-Version: 1.0\r\nMIDlet-Name: " + name + "\r\nMIDlet-Version: 1.0\r\n";
        WriteFile(
            suites / (name + ".jar"),
            ZipArchive{"", {StoredEntry("META-INF/MANIFEST.MF", manifest), StoredEntry("g/Main.class", name)}}.bytes());
        jars.push_back((suites / (name + ".jar")).string());
    }
    WriteFile(work / "API/one.zip", ZipArchive{"", {StoredEntry("one/One.class", "one")}}.bytes());
    WriteFile(work / "API/two.zip", ZipArchive{"", {StoredEntry("two/Two.class", "two")}}.bytes());
    fs::create_directories(work / "runtime");
    ChildOptions options;
    options.workDir = work.path();
    options.environment["XDG_RUNTIME_DIR"] = (work / "runtime").string();
    // Both started at once by one shell; its status says whether both succeeded.
    const std::string script = BatchCommand(work / "API", "one.zip", jars) + " & first=$!; " +
                               BatchCommand(work / "API", "two.zip", jars) +
                               "; second=$?; wait $first; exit $(( $? | second ))";
    const ChildResult result = RunChild({"/bin/sh", "-c", script}, options);
    ASSERT_EQ(result.status, 0) << result.output << result.errors;
    int lost = 0;
    for (const std::string& jar : jars) {
        const std::vector<std::string> names = ArchiveNames(jar);
        const bool both =
            std::ranges::count(names, "one/One.class") == 1 && std::ranges::count(names, "two/Two.class") == 1;
        if (!both) ++lost;
        const std::string descriptor = ReadFile(jar.substr(0, jar.size() - 3) + "jad");
        EXPECT_NE(descriptor.find("MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar)) + "\r\n"), std::string::npos)
            << jar << " and its descriptor disagree";
    }
    EXPECT_EQ(lost, 0) << "updates lost";
    for (const auto& entry : fs::directory_iterator(suites))
        EXPECT_TRUE(entry.path().extension() == ".jar" || entry.path().extension() == ".jad") << entry.path();
}

}  // namespace
}  // namespace vorlan::test
