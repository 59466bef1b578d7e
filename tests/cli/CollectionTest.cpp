// SPDX-License-Identifier: MIT
// vorlan-batch over a collection tree: folders walked with -r, folders and
// missing files refused without it, the same lines with --jobs 1 and 2,
// suites that share a name and vendor, --quiet, and the progress line that
// only a terminal gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

std::string Manifest(const std::string& name) {
    return "MIDlet-Name: " + name + "\r\nMIDlet-Vendor: V\r\nMIDlet-Version: 1.0\r\nMIDlet-1: " + name +
           ",,g.G\r\nMicroEdition-Profile: MIDP-2.0\r\nMicroEdition-Configuration: CLDC-1.0\r\n";
}

// Nested folders, JARs and a JAD, a link to a folder, a non-JAR, a hidden
// folder, two suites named "A" by the same vendor, and a broken JAR.
void MakeCollection(const fs::path& root) {
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{{"games/a.jar", "A"},
                                                                                     {"games/sub/b.jar", "B"},
                                                                                     {"games/sub/d.jar", "D"},
                                                                                     {"games/sub/deep/c.jar", "A"},
                                                                                     {"games/.hidden/h.jar", "H"}}) {
        fs::create_directories((root / path).parent_path());
        PackWith("zip", {{"META-INF/MANIFEST.MF", Manifest(name)}, {"g/G.class", "g"}}, root / path);
    }
    WriteFile(root / "games/sub/d.jad", Manifest("D") + "MIDlet-Jar-URL: d.jar\r\nMIDlet-Jar-Size: " +
                                            std::to_string(fs::file_size(root / "games/sub/d.jar")) + "\r\n");
    WriteFile(root / "games/notes.txt", "not a suite");
    WriteFile(root / "games/broken.jar", "not a zip");
    fs::create_directory_symlink("sub", root / "games/linked");
}

ChildOptions InFolder(const fs::path& folder) {
    ChildOptions options;
    options.workDir = folder;
    options.environment["XDG_DATA_HOME"] = (folder / "data").string();
    return options;
}

struct CollectionCase {
    std::string title;
    std::vector<std::string> arguments;
    std::string output;
    int status;
    std::vector<std::string> inErrors;  // each somewhere on standard error
    std::string notInErrors = "\r";     // never on it (a pipe gets no progress line)
};

void PrintTo(const CollectionCase& row, std::ostream* out) {
    *out << row.title;
}

class CollectionTest : public ::testing::TestWithParam<CollectionCase> {};

TEST_P(CollectionTest, GivesTheSameLinesWithOneOrTwoJobs) {
    const CollectionCase& row = GetParam();
    for (const char* jobs : {"1", "2"}) {
        TempDir work;
        MakeCollection(work.path());
        std::vector<std::string> argv{VorlanBatchProgram(), "--jobs", jobs};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        const ChildResult result = RunChild(argv, InFolder(work.path()));
        EXPECT_EQ(result.output, row.output) << "--jobs " << jobs << "\n" << result.errors;
        EXPECT_EQ(result.status, row.status) << "--jobs " << jobs;
        for (const std::string& text : row.inErrors) EXPECT_NE(result.errors.find(text), std::string::npos) << text;
        EXPECT_EQ(result.errors.find(row.notInErrors), std::string::npos) << result.errors;
    }
}

const std::string kDone = "Process successfuly completed!\n";

INSTANTIATE_TEST_SUITE_P(
    Runs, CollectionTest,
    ::testing::Values(
        CollectionCase{"WithoutRecursionFoldersAndMissingFilesFail",
                       {"games", "gone.txt", "games/a.jar"},
                       "[ ] games\n[ ] gone.txt\n[x] games/a.jar\n" + kDone,
                       1,
                       {"games: is a folder; use -r to process the suites in it", "gone.txt: does not exist"}},
        CollectionCase{"JarsOfTheTreeInOrderUnderTheArgument",
                       {"-r", "gone.jar", "games/"},
                       "[ ] gone.jar\n[x] games/a.jar\n[ ] games/broken.jar\n[x] games/sub/b.jar\n[x] "
                       "games/sub/d.jar\n[x] games/sub/deep/c.jar\n" +
                           kDone,
                       1,
                       {"games/sub/deep/c.jar: DUPLICATE_SUITE: same MIDlet-Name and MIDlet-Vendor as games/a.jar"}},
        CollectionCase{"QuietKeepsOnlyFailuresAndTheSummary",
                       {"-r", "--quiet", "games"},
                       "[ ] games/broken.jar\n" + kDone,
                       1,
                       {"games/broken.jar: "},
                       "warning"},
        CollectionCase{"FixSuitesByTheirJads",
                       {"--mode", "1", "--recursive", "games"},
                       "[x] games/a.jar\n[ ] games/broken.jar\n[x] games/sub/b.jar\n[x] games/sub/d.jad\n[x] "
                       "games/sub/deep/c.jar\n" +
                           kDone,
                       1,
                       {}},
        CollectionCase{"CheckNamesEachDuplicateOnTheOther",
                       {"--check", "-r", "games", "gone.jad"},
                       "games/a.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/a.jar: DUPLICATE_SUITE: warning: same MIDlet-Name and MIDlet-Vendor as "
                       "games/sub/deep/c.jar; a phone installs one over the other\n"
                       "games/broken.jar: ZIP_FORMAT: the JAR is not a readable zip: too short for a zip file\n"
                       "games/sub/b.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/sub/d.jad: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/sub/deep/c.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/sub/deep/c.jar: DUPLICATE_SUITE: warning: same MIDlet-Name and MIDlet-Vendor as "
                       "games/a.jar; a phone installs one over the other\n"
                       "gone.jad: SUITE_FILE: no such file\n"
                       "6 suites checked: 0 would install, 2 would not install, 4 would install but not start "
                       "(6 errors, 2 warnings)\n",
                       1,
                       {}},
        CollectionCase{"QuietCheckLeavesWarningsOut",
                       {"--check", "--quiet", "-r", "games"},
                       "games/a.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/broken.jar: ZIP_FORMAT: the JAR is not a readable zip: too short for a zip file\n"
                       "games/sub/b.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/sub/d.jad: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "games/sub/deep/c.jar: CLASS_FORMAT: g/G.class: not a readable class file: it ends too early\n"
                       "5 suites checked: 0 would install, 1 would not install, 4 would install but not start "
                       "(5 errors, 2 warnings)\n",
                       1,
                       {}}),
    [](const auto& row) { return row.param.title; });

// The counter on a terminal of three rows over a list of four entries: each
// drawing is one line cleared before anything else is written, and the
// last one is cleared at the end.
TEST(ProgressLineTest, ATerminalGetsACounterClearedBeforeEveryOtherLine) {
    if (!ToolAvailable("python3")) GTEST_SKIP() << "python3 is needed for a pseudo-terminal";
    TempDir work;
    MakeCollection(work.path());
    const std::string onTerminal = R"(
import fcntl, os, pty, struct, sys, termios
master, slave = pty.openpty()
fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 3, 80, 0, 0))
child = os.fork()
if child == 0:
    os.dup2(slave, 2)
    os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
    os.execv(sys.argv[1], sys.argv[1:])
os.close(slave)
seen = b""
while True:
    try:
        chunk = os.read(master, 4096)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
os.waitpid(child, 0)
sys.stdout.buffer.write(seen)
)";
    const ChildResult result =
        RunChild({"python3", "-c", onTerminal, VorlanBatchProgram(), "-r", "games"}, InFolder(work.path()));
    const std::string seen = result.output;
    const std::string clear = "\r\033[K";
    std::vector<std::string> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t at = seen.find(clear, start);
        pieces.push_back(seen.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + clear.size();
    }
    const std::regex counter(R"(\d+/5, \d+ failed, \d+:\d\d elapsed(, about \d+:\d\d left)?)");
    int drawings = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].find("/5, ") == std::string::npos) continue;
        ++drawings;
        EXPECT_TRUE(std::regex_match(pieces[i], counter)) << pieces[i];
        EXPECT_LT(i + 1, pieces.size()) << "the last drawing was not cleared";
    }
    EXPECT_GE(drawings, 1) << seen;
    EXPECT_NE(seen.find("1/5, 0 failed, "), std::string::npos) << seen;
}

// Every suite waiting for its group's commit holds its pending JAR and JAD
// and their locks open: under a low limit of open files, a long list of
// suites that are all rewritten still gets every one of them. The groups are
// then small and commit one after another while the next suites are written;
// a suite named again while its group commits is read once it is in place,
// and every entry is reported in list order.
TEST(OpenFileLimitTest, EverySuiteOfALongListIsWrittenUnderALowLimit) {
    TempDir work;
    fs::create_directories(work.path() / "API");
    PackWith("zip", {{"api/Api.class", "api"}}, work.path() / "API" / "api.zip");
    std::vector<std::string> argv{VorlanBatchProgram(), "--mode", "0", "--api-dir", "API", "--api", "api.zip"};
    PackWith("zip", {{"META-INF/MANIFEST.MF", Manifest("G")}, {"g/G.class", "g"}}, work.path() / "g.jar");
    constexpr int kSuites = 100;
    std::string expectedOutput;
    for (int i = 0; i < kSuites; ++i) {
        const std::string name = "g" + std::to_string(i);
        fs::copy_file(work.path() / "g.jar", work.path() / (name + ".jar"));
        WriteFile(work.path() / (name + ".jad"), Manifest("G"));  // replaced, so locked as well
        argv.push_back(name + ".jar");
        expectedOutput += "[x] " + name + ".jar\n";
        if (i != 7) continue;
        argv.push_back("g0.jar");  // its group of five began to commit after g4
        expectedOutput += "[x] g0.jar\n";
    }
    ChildOptions options = InFolder(work.path());
    options.openFileLimit = 128;
    const ChildResult result = RunChild(argv, options);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.output, expectedOutput + "Process successfuly completed!\n");
    for (int i = 0; i < kSuites; ++i) {
        const fs::path jar = work.path() / ("g" + std::to_string(i) + ".jar");
        const std::vector<std::string> names = ArchiveNames(jar);
        EXPECT_EQ(std::count(names.begin(), names.end(), "api/Api.class"), 1) << jar;
        EXPECT_NE(ReadFile(fs::path(jar).replace_extension(".jad"))
                      .find("MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar))),
                  std::string::npos)
            << jar;
    }
}

}  // namespace
}  // namespace vorlan::test
