// SPDX-License-Identifier: MIT
// The built vorlan-batch program: its output lines, exit statuses, usage
// errors and the API catalogue, on suites made at test time.
#include <gtest/gtest.h>

#include <algorithm>

#include "VorlanVersion.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

class VorlanBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work_ / "API");
        fs::create_directories(work_ / "games");
    }

    // Runs vorlan-batch in the work folder, with the user's data folder in
    // the work folder.
    ChildResult Run(const std::vector<std::string>& arguments) {
        ChildOptions options;
        options.workDir = work_.path();
        options.environment["XDG_DATA_HOME"] = (work_ / "data").string();
        options.environment["LC_ALL"] = "C.UTF-8";
        return RunChild(VorlanBatchCommand(arguments), options);
    }

    fs::path Game(const std::string& name) {
        const fs::path jar = work_ / "games" / name;
        PackWith("zip",
                 {{"META-INF/MANIFEST.MF", "MIDlet-Name: G\r\nMIDlet-Version: 1.0\r\nMIDlet-1: G,,g.G\r\n"},
                  {"g/G.class", "g"}},
                 jar);
        return jar;
    }

    TempDir work_;
};

TEST_F(VorlanBatchTest, PrintsALinePerEntryAsGivenThenTheFinalMessage) {
    Game("Snake.jar");
    Game("Tetris.JAR");
    const ChildResult outcome = Run({"games/Snake.jar", "games/gone.jar", (work_ / "games/Tetris.JAR").string()});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.output, "[x] games/Snake.jar\n[ ] games/gone.jar\n[x] " + (work_ / "games/Tetris.JAR").string() +
                                  "\nProcess successfuly completed!\n");
    EXPECT_NE(outcome.errors.find("games/gone.jar"), std::string::npos) << outcome.errors;
    EXPECT_EQ(ReadFile(work_ / "games/Snake.jad"), "MIDlet-Name: G\r\nMIDlet-Version: 1.0\r\nMIDlet-1: G,,g.G\r\n" +
                                                       JarSizeAndUrlLines(work_ / "games/Snake.jar"));
    EXPECT_TRUE(fs::exists(work_ / "games/Tetris.jad"));
}

// A suite whose JAR carries a self-extracting stub in front (offsets counted
// from the file, as zip -A leaves them) gets its API like any other: the stub
// is kept, and the suite written passes the J2ME toolkit's installer and
// class checks. Its JAR check fails as the input's does, and for that reason
// only: a stream reader starting at the file's first byte meets the stub.
TEST_F(VorlanBatchTest, AJarWithAStubInFrontGetsItsApiAndPassesTheToolkitsChecks) {
    std::string toolkit;
    VORLAN_J2ME_CHECK_SCRIPT_OR_SKIP(toolkit);
    const fs::path jar = work_ / "games/Stubbed.jar";
    PackWith("zip",
             {{"META-INF/MANIFEST.MF",
               "Manifest-Version: 1.0\r\nMIDlet-Name: Stubbed\r\nMIDlet-Vendor: Vorlan\r\nMIDlet-Version: 1.0\r\n"
               "MIDlet-1: Stubbed,,game.Main\r\nMicroEdition-Configuration: CLDC-1.1\r\n"
               "MicroEdition-Profile: MIDP-2.0\r\n"},
              {"game/Main.class", MidletClassFile("game.Main")}},
             jar);
    const std::string stub = "#!/bin/sh\necho 'run me with a J2ME emulator'\nexit 1\n";
    WriteFile(jar, stub + ReadFile(jar));
    ASSERT_EQ(RunCommand({"zip", "-q", "-A", jar.string()}).status, 0);
    const std::string input = RunCommand({toolkit, jar.string()}).output;
    PackWith("zip", {{"api/Extra.class", MidletClassFile("api.Extra")}}, work_ / "API" / "extra.zip");

    const ChildResult outcome = Run({"--api-dir", "API", "--api", "extra.zip", "games/Stubbed.jar"});
    EXPECT_EQ(outcome.status, 0) << outcome.output << outcome.errors;
    EXPECT_EQ(ReadFile(jar).substr(0, stub.size()), stub);
    EXPECT_EQ(ArchiveEntry(jar, "api/Extra.class"), MidletClassFile("api.Extra"));
    EXPECT_NO_THROW(JavaReadManifest(jar));
    const std::string written = RunCommand({toolkit, (work_ / "games/Stubbed.jad").string()}).output;
    EXPECT_EQ(ToolkitVerdict(written, "installer"), "PASS installer") << written;
    EXPECT_EQ(ToolkitVerdict(written, "classes"), "PASS classes") << written;
    EXPECT_EQ(ToolkitVerdict(written, "jar"), ToolkitVerdict(input, "jar")) << input << written;
}

// A broken archive among the checked ones is left out with a warning, the
// others are still added, and the exit status says something was left out;
// in worker processes too.
TEST_F(VorlanBatchTest, ABrokenApiArchiveIsLeftOutWithAWarningAndExitStatusOne) {
    PackWith("zip", {{"api/Before.class", "before"}}, work_ / "API" / "a.zip");
    WriteFile(work_ / "API" / "b.zip", "PK\x05\x06 and nothing that makes an archive");
    PackWith("zip", {{"api/After.class", "after"}}, work_ / "API" / "c.zip");
    for (const char* jobs : {"1", "2"}) {
        Game("x.jar");
        Game("y.jar");
        const ChildResult outcome = Run({"--jobs", jobs, "--api-dir", "API", "--api", "a.zip", "--api", "b.zip",
                                         "--api", "c.zip", "games/x.jar", "games/y.jar"});
        EXPECT_EQ(outcome.status, 1) << jobs << outcome.errors;
        EXPECT_EQ(outcome.output, "[x] games/x.jar\n[x] games/y.jar\nProcess successfuly completed!\n") << jobs;
        EXPECT_NE(outcome.errors.find("API archive b.zip could not be used"), std::string::npos) << outcome.errors;
        for (const char* jar : {"games/x.jar", "games/y.jar"})
            EXPECT_EQ(ArchiveEntry(work_ / jar, "api/After.class"), "after") << jar;
    }
}

// A name holding a line break must not split its line or fake another
// entry's: such names, and names that begin with a double quote, are shown
// quoted with C escapes.
TEST_F(VorlanBatchTest, FileNamesWithControlCharactersAreQuoted) {
    const std::vector<std::pair<std::string, std::string>> shown{
        {"games/two\nlines.jar", "\"games/two\\nlines.jar\""},
        {"games/x.jar\r[x] y.jar", "\"games/x.jar\\r[x] y.jar\""},
        {"games/tab\tand\x01.jar", "\"games/tab\\tand\\x01.jar\""},
        {"\"quoted\".jar", "\"\\\"quoted\\\".jar\""},
        {"games/plain \\ \"name\".jar", "games/plain \\ \"name\".jar"},
    };
    std::vector<std::string> arguments;
    std::string expected;
    for (const auto& [name, line] : shown) {
        fs::rename(Game("made.jar"), work_ / name);
        arguments.push_back(name);
        // A JAR whose name holds a control character fails: no JAD can name it.
        const bool control = std::any_of(name.begin(), name.end(), [](char c) { return c > 0 && c < 0x20; });
        expected += (control ? "[ ] " : "[x] ") + line + "\n";
    }
    const ChildResult outcome = Run(arguments);
    EXPECT_EQ(outcome.status, 1) << outcome.errors;
    EXPECT_EQ(outcome.output, expected + "Process successfuly completed!\n");
}

// The fix template beside the program, the version given, and the rewrite's
// warnings on standard error.
TEST_F(VorlanBatchTest, BuildsFixSuitesFromTheTemplateBesideTheProgram) {
    Game("Broken.jar");
    PackWith("zip", {{"META-INF/MANIFEST.MF", "MIDlet-Name: NoKeys\r\n"}, {"n/N.class", "n"}},
             work_ / "games/NoKeys.jar");
    const ChildResult outcome = Run({"--mode=1", "--fix-version", "9999.9.9", "games/Broken.jar", "games/NoKeys.jar"});
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_EQ(outcome.output, "[x] games/Broken.jar\n[x] games/NoKeys.jar\nProcess successfuly completed!\n");
    const std::vector<std::string> attributes = JavaReadManifest(work_ / "games/Broken.jar");
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), "MIDlet-Version: 9999.9.9"), attributes.end());
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), "MIDlet-1: G,,br.BookReader"), attributes.end());
    EXPECT_TRUE(fs::exists(work_ / "games/Broken.jad"));
    EXPECT_NE(outcome.errors.find("Manifest corrupt! No MIDlet-1 tag!"), std::string::npos) << outcome.errors;
    EXPECT_NE(outcome.errors.find("Manifest corrupt! No MIDlet-Version tag!"), std::string::npos);
}

// The program's archives rar, then jar, then zip; then the user's, but for a
// name the program's own archive holds. Either folder's archives are added.
TEST_F(VorlanBatchTest, ListsAndAddsTheProgramsApiArchivesThenTheUsers) {
    const fs::path userFolder = work_ / "data/vorlan/API";
    // One archive of each kind: within a kind the folder's own order stands.
    for (const char* name : {"gamma.rar", "alpha.jar"}) WriteFile(work_ / "API" / name, "");
    WriteFile(userFolder / "alpha.jar", "");  // left out: the program's own stands under this name
    PackWith("zip", {{"api/Api.class", "api"}}, work_ / "API" / "extra.zip");
    PackWith("zip", {{"api/User.class", "user"}}, userFolder / "user.zip");
    const ChildResult listing = Run({"--list-apis", "--api-dir", "API"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_EQ(listing.output, "gamma.rar\nalpha.jar\nextra.zip\nuser.zip\n");
    Game("a.jar");
    const ChildResult outcome = Run({"--api-dir", "API", "--api", "extra.zip", "--api", "user.zip", "games/a.jar"});
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_EQ(outcome.output, "[x] games/a.jar\nProcess successfuly completed!\n");
    EXPECT_EQ(ArchiveEntry(work_ / "games/a.jar", "api/Api.class"), "api");
    EXPECT_EQ(ArchiveEntry(work_ / "games/a.jar", "api/User.class"), "user");
}

TEST_F(VorlanBatchTest, UsageErrorsExitWithTwoAndChangeNothing) {
    const fs::path jar = Game("a.jar");
    const std::string before = ReadFile(jar);
    // One option the parser refuses (CommandLineTest has the others), then
    // what only the whole command line shows to be wrong.
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--unknown", "games/a.jar"},
                                                  {},
                                                  {"--api-dir", "API", "--api", "missing.zip", "games/a.jar"},
                                                  {"--check"},
                                                  {"--api", "auto", "--api", "extra.zip", "games/a.jar"},
                                                  {"--mode", "1", "--api", "auto", "games/a.jar"},
                                                  {"--platform", "jsr75", "games/a.jar"}}) {
        const ChildResult outcome = Run(wrong);
        EXPECT_EQ(outcome.status, 2) << outcome.errors;
        EXPECT_EQ(outcome.output, "");
        EXPECT_NE(outcome.errors.find("--help"), std::string::npos) << outcome.errors;
    }
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_FALSE(fs::exists(work_ / "games/a.jad"));
}

TEST_F(VorlanBatchTest, WithoutItsEngineModulesSaysWhichFileItLookedFor) {
    const fs::path lonely = work_ / "lonely";
    fs::create_directories(lonely);
    fs::copy_file(VorlanBatchProgram(), lonely / "vorlan-batch");
    const fs::path jar = Game("a.jar");
    const std::string before = ReadFile(jar);
    const CommandResult result = RunCommand({(lonely / "vorlan-batch").string(), jar.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "");
    EXPECT_NE(result.errors.find("ZipDll.so is missing: looked for " + (lonely / "ZipDll.so").string()),
              std::string::npos)
        << result.errors;
    EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
    EXPECT_EQ(ReadFile(jar), before);
}

TEST_F(VorlanBatchTest, HelpDescribesBothModesAndVersionIsTheBuilds) {
    const ChildResult outcome = Run({"--help"});
    EXPECT_EQ(outcome.status, 0);
    for (const char* words : {"Mode 0", "Mode 1", "--api-dir", "$XDG_DATA_HOME/vorlan/API", "--fix-version",
                              "Exit status", "--check", "JAD_SYNTAX", "--version"})
        EXPECT_NE(outcome.output.find(words), std::string::npos) << words;
    const ChildResult version = Run({"--version", "games/none.jar"});
    EXPECT_EQ(version.status, 0) << version.errors;
    EXPECT_EQ(version.output, "vorlan-batch " + std::string(kVersion) + "\n");
}

}  // namespace
}  // namespace vorlan::test
