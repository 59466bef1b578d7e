// SPDX-License-Identifier: MIT
// Suites as users hold them, each with one fault, through the built
// vorlan-batch: with --repair every suite written passes the J2ME toolkit's
// checks; without it, the warnings say what --check says of the suite
// written; with --strict a suite that would not install is left byte for
// byte as it was.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/SuiteCorpus.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

// Snake.jar with the manifest first, under manifestName.
void WriteJar(const fs::path& folder, const std::string& manifest,
              const std::string& manifestName = "META-INF/MANIFEST.MF") {
    WriteFile(folder / "Snake.jar", SnakeJar(manifest, {}, manifestName));
}

struct UsersFile {
    const char* name;
    std::function<void(const fs::path& folder)> write;  // Snake.jar, and Snake.jad when it has one
};

void PrintTo(const UsersFile& file, std::ostream* out) {
    *out << file.name;
}

const std::vector<UsersFile>& UsersFiles() {
    static const std::vector<UsersFile> files{
        {"JadOnlyKeys",
         [](const fs::path& folder) {
             WriteJar(folder, CrLfLines(kSnakeManifest));
             WriteFile(folder / "Snake.jad", CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(folder / "Snake.jar") +
                                                 "Nokia-MIDlet-Category: Game\r\nUnlock-Key: 7341\r\n"
                                                 "MIDlet-Install-Notify: http://example.org/installed\r\n");
         }},
        {"Signed",
         [](const fs::path& folder) {
             WriteJar(folder, CrLfLines(kSnakeManifest));
             WriteFile(folder / "Snake.jad", CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(folder / "Snake.jar") +
                                                 SignatureLines(folder / "Snake.jar"));
         }},
        {"SignedThenChanged",
         [](const fs::path& folder) {
             WriteJar(folder, CrLfLines(kSnakeManifest));
             const std::string jad = CrLfLines(kSnakeManifest) + JarSizeAndUrlLines(folder / "Snake.jar") +
                                     SignatureLines(folder / "Snake.jar");
             WriteFile(folder / "Snake.jad", jad);
             WriteJar(folder, CrLfLines(kSnakeManifest) + "MIDlet-Description: changed\r\n");
         }},
        {"ByteOrderMark", [](const fs::path& folder) { WriteJar(folder, "\xEF\xBB\xBF" + CrLfLines(kSnakeManifest)); }},
        {"EmptyLineInMainSection",
         [](const fs::path& folder) {
             Lines manifest = kSnakeManifest;
             manifest.insert(manifest.begin() + 4, "");
             WriteJar(folder, CrLfLines(manifest));
         }},
        {"LowerCaseManifestName",
         [](const fs::path& folder) { WriteJar(folder, CrLfLines(kSnakeManifest), "meta-inf/manifest.mf"); }},
        {"CrOnly",
         [](const fs::path& folder) {
             std::string manifest = CrLfLines(kSnakeManifest);
             std::erase(manifest, '\n');
             WriteJar(folder, manifest);
         }},
        {"Windows1251",
         [](const fs::path& folder) {
             Lines manifest = kSnakeManifest;
             manifest[1] = "MIDlet-Name: \xC7\xEC\xE5\xE9\xEA\xE0";
             manifest[4] = "MIDlet-1: \xC7\xEC\xE5\xE9\xEA\xE0,,game.Main";
             WriteJar(folder, CrLfLines(manifest));
         }},
    };
    return files;
}

class UsersFilesTest : public ::testing::TestWithParam<UsersFile> {
protected:
    void SetUp() override {
        VORLAN_J2ME_CHECK_SCRIPT_OR_SKIP(script_);
        if (!ToolAvailable("openssl")) GTEST_SKIP() << "no openssl";
        GetParam().write(work_ / "input");
    }

    // A copy of the input in which vorlan-batch runs with options on Snake.jar.
    CommandResult RunBatch(const std::string& folderName, Lines options) {
        fs::copy(work_ / "input", work_ / folderName, fs::copy_options::recursive);
        options.insert(options.begin(), VorlanBatchProgram());
        options.push_back("Snake.jar");
        return RunCommand(options, work_ / folderName);
    }

    std::string script_;
    TempDir work_;
};

// What the batch said of the suite's errors, and what --check says of the
// suite written: "RULE: text" each.
Lines BatchErrors(const std::string& output) {
    Lines errors;
    for (const std::string& line : OutputLines(output))
        for (const std::string mark : {": would not install: ", ": would not start: "})
            if (line.find(mark) != std::string::npos) errors.push_back(line.substr(line.find(mark) + mark.size()));
    return errors;
}

Lines CheckErrors(const std::string& output) {
    Lines errors;
    for (const std::string& line : OutputLines(output)) {
        const std::size_t rule = line.find("Snake.jad: ");
        if (rule == 0 && line.find(": warning: ") == std::string::npos) errors.push_back(line.substr(11));
    }
    return errors;
}

TEST_P(UsersFilesTest, RepairedSuitesInstallWarningsSayWhatTheCheckerSaysStrictLeavesFailuresAlone) {
    const CommandResult repaired = RunBatch("repaired", {"--repair", "--manifest-charset", "windows-1251"});
    EXPECT_EQ(repaired.status, 0) << repaired.errors;
    const CommandResult toolkit = RunCommand({script_, (work_ / "repaired" / "Snake.jad").string()});
    EXPECT_EQ(toolkit.status, 0) << repaired.errors << toolkit.output;

    const CommandResult plain = RunBatch("plain", {});
    EXPECT_EQ(plain.status, 0) << plain.errors;
    const CommandResult check = RunCommand({VorlanBatchProgram(), "--check", "Snake.jad"}, work_ / "plain");
    const Lines errors = CheckErrors(check.output);
    EXPECT_EQ(BatchErrors(plain.errors), errors) << plain.errors << check.output;

    const CommandResult strict = RunBatch("strict", {"--strict"});
    EXPECT_EQ(strict.status, errors.empty() ? 0 : 1) << strict.errors;
    if (!errors.empty()) {
        EXPECT_NE(strict.output.find("[ ] Snake.jar"), std::string::npos) << strict.output;
        EXPECT_EQ(FolderContents(work_ / "strict"), FolderContents(work_ / "input"));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, UsersFilesTest, ::testing::ValuesIn(UsersFiles()),
                         [](const ::testing::TestParamInfo<UsersFile>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace vorlan::test
