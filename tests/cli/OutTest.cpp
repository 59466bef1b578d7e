// SPDX-License-Identifier: MIT
// vorlan-batch --out DIR: prepared copies in DIR, the inputs' folders left
// exactly as they were, files already in DIR replaced only with --force,
// and relative paths that would leave DIR refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "cli/ConsoleBatchHost.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

// Every entry below the folder with its kind, size, modification time to
// the nanosecond and bytes: any write, stand-in, lock or journal shows.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        EXPECT_EQ(::lstat(entry.path().c_str(), &status), 0);
        std::ostringstream facts;
        facts << status.st_mode << ' ' << status.st_size << ' ' << status.st_mtim.tv_sec << '.'
              << status.st_mtim.tv_nsec << ' ' << status.st_ino;
        if (S_ISREG(status.st_mode)) facts << ' ' << ReadFile(entry.path());
        snapshot[fs::relative(entry.path(), folder).string()] = facts.str();
    }
    struct stat status {};
    EXPECT_EQ(::stat(folder.c_str(), &status), 0);
    snapshot["."] = std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
    return snapshot;
}

// The JAD's value of an attribute.
std::string JadValue(const fs::path& jad, const std::string& name) {
    for (const std::string& line : OutputLines(ReadFile(jad)))
        if (line.starts_with(name + ": "))
            return line.substr(name.size() + 2, line.find_last_not_of('\r') - name.size() - 1);
    return {};
}

class OutTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"API", "games", "runtime"}) fs::create_directories(work_ / folder);
        PackWith("zip", {{"api/Api.class", "api"}}, work_ / "API" / "api.zip");
        const std::string manifest =
            "MIDlet-Name: G\r\nMIDlet-Vendor: V\r\nMIDlet-Version: 1.0\r\nMIDlet-1: G,,g.G\r\n";
        PackWith("zip", {{"META-INF/MANIFEST.MF", manifest}, {"g/G.class", "g"}}, work_ / "games" / "plain.jar");
        // A suite whose JAD has an attribute of its own, and a manifest
        // --repair mends (a line over 72 bytes).
        PackWith("zip",
                 {{"META-INF/MANIFEST.MF", manifest + "MIDlet-Description: " + std::string(80, 'd') + "\r\n"},
                  {"g/G.class", "g"}},
                 work_ / "games" / "Own.jar");
        WriteFile(work_ / "games" / "Own.jad", "MIDlet-Name: G\r\nX-Own: kept\r\n");
        fs::create_symlink("plain.jar", work_ / "games" / "link.jar");
        // A fix made from a JAD whose JAR's name differs in letter case: the
        // copy's JAD names the copy.
        fs::copy_file(work_ / "games" / "plain.jar", work_ / "games" / "Case.JAR");
        WriteFile(work_ / "games" / "Case.jad", "MIDlet-Name: G\r\nMIDlet-Jar-URL: Case.JAR\r\n");
    }

    ChildResult Run(const std::vector<std::string>& options, const std::vector<std::string>& files) {
        std::vector<std::string> arguments{"--api-dir", (work_ / "API").string(), "--out", "../out"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), files.begin(), files.end());
        ChildOptions inGames;
        inGames.workDir = work_ / "games";
        inGames.environment["XDG_RUNTIME_DIR"] = (work_ / "runtime").string();
        return RunChild(VorlanBatchCommand(arguments), inGames);
    }

    TempDir work_;
};

struct CopyCase {
    std::vector<std::string> options;
    std::vector<std::string> files;
    std::vector<std::string> suites;  // the JARs expected in DIR, each with its JAD
};

void PrintTo(const CopyCase& c, std::ostream* out) {
    *out << "options:";
    for (const std::string& option : c.options) *out << ' ' << option;
}

class PreparedCopyTest : public OutTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(PreparedCopyTest, WritesSuitesThatAgreeIntoDirAndLeavesTheInputsAsTheyWere) {
    const std::map<std::string, std::string> before = Snapshot(work_ / "games");
    const ChildResult run = Run(GetParam().options, GetParam().files);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(Snapshot(work_ / "games"), before);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(work_ / "out")) written.push_back(entry.path().filename());
    std::sort(written.begin(), written.end());
    std::vector<std::string> expected;
    for (const std::string& jar : GetParam().suites) {
        expected.push_back(jar);
        expected.push_back(jar.substr(0, jar.size() - 3) + "jad");
        const fs::path jad = work_ / "out" / expected.back();
        EXPECT_EQ(JadValue(jad, "MIDlet-Jar-Size"), std::to_string(fs::file_size(work_ / "out" / jar))) << jar;
        EXPECT_EQ(JadValue(jad, "MIDlet-Jar-URL"), jar);
        EXPECT_TRUE(UnzipTestPasses(work_ / "out" / jar)) << jar;
        if (jar == "Own.jar") {
            EXPECT_EQ(JadValue(jad, "X-Own"), "kept");
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(fs::is_empty(work_ / "runtime"));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PreparedCopyTest,
    ::testing::Values(
        CopyCase{{}, {"plain.jar", "Own.jar", "link.jar"}, {"Own.jar", "link.jar", "plain.jar"}},
        CopyCase{{"--api", "api.zip"}, {"plain.jar", "Own.jar"}, {"Own.jar", "plain.jar"}},
        CopyCase{{"--repair", "--jobs", "2"}, {"Own.jar", "plain.jar"}, {"Own.jar", "plain.jar"}},
        CopyCase{{"--api", "auto"}, {"Own.jar"}, {"Own.jar"}},
        CopyCase{{"--mode", "1"}, {"Own.jad", "plain.jar", "Case.jad"}, {"Case.jar", "Own.jar", "plain.jar"}}));

// A file already in DIR: the entry fails and DIR keeps it, or --force
// replaces it; either way the suite in DIR is whole or untouched.
TEST_F(OutTest, ReplacesFilesInDirOnlyWithForce) {
    struct Case {
        std::vector<std::string> options;
        const char* existing;
        int status;
    };
    for (const Case& c : {Case{{}, "plain.jad", 1}, Case{{}, "plain.jar", 1}, Case{{"--force"}, "plain.jad", 0},
                          Case{{"--force", "--mode", "1"}, "plain.jar", 0}}) {
        fs::remove_all(work_ / "out");
        WriteFile(work_ / "out" / c.existing, "older");
        const ChildResult run = Run(c.options, {"plain.jar"});
        EXPECT_EQ(run.status, c.status) << c.existing << run.errors;
        if (c.status != 0) {
            EXPECT_EQ(run.output, "[ ] plain.jar\nProcess successfuly completed!\n");
            EXPECT_NE(run.errors.find("--force"), std::string::npos) << run.errors;
            EXPECT_EQ(ReadFile(work_ / "out" / c.existing), "older");
            EXPECT_EQ(std::distance(fs::directory_iterator(work_ / "out"), fs::directory_iterator()), 1);
        } else {
            EXPECT_EQ(JadValue(work_ / "out" / "plain.jad", "MIDlet-Jar-Size"),
                      std::to_string(fs::file_size(work_ / "out" / "plain.jar")));
        }
    }
}

// Two entries whose copies would share a name: the later one fails, naming
// the earlier, and the earlier's copy stays, with --force too.
TEST_F(OutTest, RefusesASecondCopyOfTheSameName) {
    fs::create_directories(work_ / "games" / "other");
    fs::copy_file(work_ / "games" / "Own.jar", work_ / "games" / "other" / "PLAIN.jar");
    const ChildResult run = Run({"--force"}, {"plain.jar", "other/PLAIN.jar"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "[x] plain.jar\n[ ] other/PLAIN.jar\nProcess successfuly completed!\n");
    EXPECT_NE(run.errors.find("copy of plain.jar"), std::string::npos) << run.errors;
    EXPECT_EQ(ReadFile(work_ / "out" / "plain.jar"), ReadFile(work_ / "games" / "plain.jar"));
}

// DIR inside the folder walked: a second run walks past the copies the
// first one prepared there, through whichever name DIR is reached.
TEST_F(OutTest, AWalkLeavesOutTheOutputFolder) {
    fs::create_directories(work_ / "games" / "coll");
    fs::copy_file(work_ / "games" / "plain.jar", work_ / "games" / "coll" / "a.jar");
    ChildOptions inGames;
    inGames.workDir = work_ / "games";
    for (int run = 0; run < 2; ++run) {
        const ChildResult second =
            RunChild(VorlanBatchCommand({"--api-dir", (work_ / "API").string(), "-r", "--force", "--out",
                                         run == 0 ? "coll/out" : "./coll/out/", "coll"}),
                     inGames);
        EXPECT_EQ(second.output, "[x] coll/a.jar\nProcess successfuly completed!\n") << second.errors;
    }
    EXPECT_FALSE(fs::exists(work_ / "games" / "coll" / "out" / "out"));
}

// DIR may be shared: a link planted below it never takes a copy elsewhere,
// while DIR itself may be reached through a link the user gave.
TEST_F(OutTest, WritesOnlyIntoRealFoldersBelowDir) {
    fs::create_directories(work_ / "games" / "coll" / "sub");
    fs::copy_file(work_ / "games" / "plain.jar", work_ / "games" / "coll" / "sub" / "deep.jar");
    fs::create_directories(work_ / "elsewhere");
    fs::create_directories(work_ / "real-out");
    fs::create_directory_symlink(work_ / "real-out", work_ / "out");
    fs::create_directory_symlink(work_ / "elsewhere", work_ / "real-out" / "sub");
    const ChildResult run = Run({"-r"}, {"coll", "plain.jar"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "[ ] coll/sub/deep.jar\n[x] plain.jar\nProcess successfuly completed!\n");
    EXPECT_NE(run.errors.find("is a link"), std::string::npos) << run.errors;
    EXPECT_TRUE(fs::is_empty(work_ / "elsewhere"));
    EXPECT_TRUE(fs::exists(work_ / "real-out" / "plain.jad"));
}

// With --repair, a manifest stored under another letter case is renamed in
// the copy, which goes into a subfolder of DIR that the run makes first.
TEST_F(OutTest, ACopyWithItsManifestRenamedGoesIntoANewSubfolder) {
    fs::create_directories(work_ / "games" / "coll" / "sub");
    PackWith("zip", {{"meta-inf/manifest.mf", "MIDlet-Name: G\r\nMIDlet-Version: 1.0\r\n"}, {"g/G.class", "g"}},
             work_ / "games" / "coll" / "sub" / "lower.jar");
    const ChildResult run = Run({"--repair", "-r"}, {"coll"});
    EXPECT_EQ(run.output, "[x] coll/sub/lower.jar\nProcess successfuly completed!\n") << run.errors;
    EXPECT_EQ(JavaReadManifest(work_ / "out" / "sub" / "lower.jar"),
              (std::vector<std::string>{"MIDlet-Name: G", "MIDlet-Version: 1.0"}));
}

TEST(OutputPathTest, MirrorsTheRelativePathAndRefusesOnesThatLeaveDir) {
    struct Case {
        BatchMode mode;
        const char* relative;
        const char* expected;  // nullptr: refused
    };
    for (const Case& c :
         {Case{BatchMode::GenerateJad, "a/b.jar", "/out/a/b.jar"},
          Case{BatchMode::BuildFix, "a/Game.JAD", "/out/a/Game.jar"}, Case{BatchMode::GenerateJad, "../b.jar", nullptr},
          Case{BatchMode::GenerateJad, "a/../../b.jar", nullptr}, Case{BatchMode::GenerateJad, "/etc/b.jar", nullptr},
          Case{BatchMode::GenerateJad, "", nullptr}}) {
        BatchSettings settings;
        settings.mode = c.mode;
        settings.outFolder = "/out/";
        const BatchFile file{"x", c.relative, {}};
        if (c.expected != nullptr)
            EXPECT_EQ(OutputPathIn(settings, file), c.expected);
        else
            EXPECT_THROW(OutputPathIn(settings, file), std::runtime_error) << c.relative;
    }
}

}  // namespace
}  // namespace vorlan::test
