// SPDX-License-Identifier: MIT
// vorlan-batch --jobs N against one process on the same suites, and both
// stopped by SIGTERM: the same lines in the same order, the same files byte
// for byte, the same exit status, and no scratch root left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "filecommit/FileDescriptor.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

// vorlan-batch started in a folder with its own runtime folder (where its
// scratch roots go).
ChildOptions InFolder(const fs::path& folder, const fs::path& runtime) {
    ChildOptions options;
    options.workDir = folder;
    options.environment["XDG_RUNTIME_DIR"] = runtime.string();
    return options;
}

std::string Manifest(const std::string& name) {
    return "MIDlet-Name: " + name + "\r\nMIDlet-Version: 1.0\r\nMIDlet-1: " + name + ",,g.G\r\nMIDlet-Jar-Size: 1\r\n";
}

class JobsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"API", "runtime", "one", "many", "games"}) fs::create_directories(work_ / folder);
        PackWith("zip", {{"api/Api.class", std::string(5000, 'a') + "api"}, {"api/Util.class", "util"}},
                 work_ / "API" / "api.zip");
    }

    // One set of suites: some of them under two names, one twice in the list,
    // a pair whose names differ in case only, one without a manifest.
    std::vector<std::string> MakeSuites(const fs::path& folder) {
        std::vector<std::string> list;
        for (int i = 0; i < 9; ++i) {
            const std::string name = "game" + std::to_string(i) + ".jar";
            PackWith("zip",
                     {{"META-INF/MANIFEST.MF", Manifest(name)},
                      {"g/G.class", std::string(static_cast<std::size_t>(100 * i), 'g')}},
                     folder / name);
            list.push_back(name);
        }
        PackWith("zip", {{"META-INF/MANIFEST.MF", Manifest("Snake")}}, folder / "Snake.JAR");
        PackWith("zip", {{"META-INF/MANIFEST.MF", Manifest("snake")}}, folder / "snake.jar");
        PackWith("zip", {{"g/NoManifest.class", "x"}}, folder / "broken.jar");
        fs::create_symlink("game1.jar", folder / "alias.jar");
        WriteFile(folder / "notes.txt", "not a suite");
        list.insert(list.begin() + 3, {"Snake.JAR", "alias.jar", "broken.jar", "game2.jar", "notes.txt", "snake.jar"});
        list.push_back("alias.jar");
        return list;
    }

    std::vector<std::string> Arguments(const std::string& jobs, const std::vector<std::string>& files) {
        std::vector<std::string> arguments{"--jobs", jobs, "--api-dir", (work_ / "API").string(), "--api", "api.zip"};
        arguments.insert(arguments.end(), files.begin(), files.end());
        return arguments;
    }

    TempDir work_;
};

TEST_F(JobsTest, WorkersGiveWhatOneProcessGivesInTheSameOrder) {
    const fs::path one = work_ / "one", many = work_ / "many";
    const std::vector<std::string> files = MakeSuites(one);
    fs::remove(many);
    fs::copy(one, many, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const ChildResult single = RunChild(VorlanBatchCommand(Arguments("1", files)), InFolder(one, work_ / "runtime"));
    const ChildResult workers = RunChild(VorlanBatchCommand(Arguments("3", files)), InFolder(many, work_ / "runtime"));

    EXPECT_EQ(single.status, 1);  // broken.jar fails
    EXPECT_EQ(workers.status, single.status);
    EXPECT_EQ(workers.output, single.output);
    EXPECT_NE(single.output.find("[ ] broken.jar\n"), std::string::npos) << single.output;
    std::string manyErrors = workers.errors;
    for (std::size_t at; (at = manyErrors.find(many.string())) != std::string::npos;)
        manyErrors.replace(at, many.string().size(), one.string());
    EXPECT_EQ(manyErrors, single.errors);
    std::map<std::string, std::string> oneFiles = FolderContents(one), manyFiles = FolderContents(many);
    for (const auto& [name, bytes] : oneFiles) EXPECT_TRUE(manyFiles[name] == bytes) << name << " differs";
    EXPECT_EQ(manyFiles.size(), oneFiles.size());
    EXPECT_TRUE(oneFiles.count("game1.jad") == 1 && oneFiles.count("alias.jad") == 1);
    EXPECT_TRUE(fs::is_empty(work_ / "runtime"));
}

TEST_F(JobsTest, ZeroJobsMeansOnePerProcessorAndBadCountsAreUsageErrors) {
    const std::vector<std::string> files = MakeSuites(work_ / "games");
    const ChildResult batch =
        RunChild(VorlanBatchCommand(Arguments("0", files)), InFolder(work_ / "games", work_ / "runtime"));
    EXPECT_EQ(batch.status, 1);
    EXPECT_TRUE(batch.output.starts_with("[x] game0.jar\n[x] game1.jar\n[x] game2.jar\n[x] Snake.JAR\n"))
        << batch.output;
    for (const char* wrong : {"-1", "x", "", "2x", "99999"}) {
        const ChildResult refused =
            RunChild(VorlanBatchCommand({"--jobs", wrong, "game0.jar"}), InFolder(work_ / "games", work_ / "runtime"));
        EXPECT_EQ(refused.status, 2) << wrong;
        EXPECT_NE(refused.errors.find("--jobs"), std::string::npos) << wrong;
    }
}

// The sixth suite is held by another program (its descriptor locked, as
// another Vorlan would while it works on the suite): the fix step waits for
// it, a few seconds at most, and the signal ends that wait at once. The five
// before it are done by then (their group commits before the wait).
class StopTest : public JobsTest, public ::testing::WithParamInterface<std::string> {
protected:
    std::vector<std::string> MakeDescriptors(const fs::path& folder, int count) {
        std::vector<std::string> list;
        for (int i = 0; i < kEarlier; ++i) list.push_back("earlier" + std::to_string(i) + ".jad");
        list.push_back("waiting.jad");
        for (int i = 0; i < count; ++i) list.push_back("later" + std::to_string(i) + ".jad");
        for (const std::string& name : list) WriteFile(folder / name, Manifest(name));
        held_.Reset(open((folder / "waiting.jad").c_str(), O_RDONLY | O_CLOEXEC));
        EXPECT_EQ(flock(held_.Get(), LOCK_EX), 0);
        return list;
    }

    static constexpr int kEarlier = 5;

    FileDescriptor held_;
};

TEST_P(StopTest, ASignalEndsTheRunAfterTheRunningEntries) {
    const fs::path games = work_ / "games";
    std::vector<std::string> arguments{"--mode", "1", "--jobs", GetParam(), "--report", "../report.jsonl"};
    const std::vector<std::string> files = MakeDescriptors(games, 40);
    arguments.insert(arguments.end(), files.begin(), files.end());
    ChildProcess batch(VorlanBatchCommand(arguments), InFolder(games, work_ / "runtime"));
    // Every process has made its scratch root: the run is under way.
    const long processes = std::stol(GetParam());
    while (std::distance(fs::directory_iterator(work_ / "runtime"), fs::directory_iterator()) < processes &&
           !batch.Ended())
        usleep(1000);
    // The suites before the held one are in place: the wait has begun.
    while (!fs::exists(games / ("earlier" + std::to_string(kEarlier - 1) + ".jar")) && !batch.Ended()) usleep(1000);
    batch.Signal(SIGTERM);
    // The program ends itself with the status of a signal's death, once
    // its running entries are done: the signal does not kill it.
    const ChildResult& result = batch.Wait();
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.status, 128 + SIGTERM);

    const std::string output = result.output;
    EXPECT_EQ(output.find("Process successfuly completed!"), std::string::npos) << output;
    // Whatever was done is reported in list order, and was done completely;
    // one process waiting for the held suite did nothing after it.
    std::string earlier;
    for (int i = 0; i < kEarlier; ++i) earlier += "[x] earlier" + std::to_string(i) + ".jad\n";
    if (GetParam() == "1") {
        EXPECT_TRUE(output == earlier || output == earlier + "[ ] waiting.jad\n") << output;
    }
    std::size_t previous = 0;
    for (const std::string& file : files) {
        const std::string name = file.substr(0, file.size() - 4);
        const std::size_t at = output.find("[x] " + file + "\n");
        EXPECT_EQ(at != std::string::npos, fs::exists(games / (name + ".jar"))) << name;
        if (GetParam() == "1" && name.starts_with("later")) {
            EXPECT_EQ(at, std::string::npos) << output;
        }
        if (file == "waiting.jad" && output.find("[ ] waiting.jad\n") != std::string::npos)
            previous = output.find("[ ] waiting.jad\n");
        if (at == std::string::npos) continue;
        EXPECT_GE(at, previous) << name;
        previous = at;
    }
    EXPECT_TRUE(fs::is_empty(work_ / "runtime"));
    // The report lists just what the lines list.
    const CommandResult read = RunCommand({"python3", "-c",
                                           "import json,sys\nfor l in open(sys.argv[1]): r = json.loads(l); "
                                           "print('[x]' if r['result'] == 'ok' else '[ ]', "
                                           "r['path'])",
                                           (work_ / "report.jsonl").string()});
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.output, output);
}

INSTANTIATE_TEST_SUITE_P(Jobs, StopTest, ::testing::Values("1", "2"));

}  // namespace
}  // namespace vorlan::test
