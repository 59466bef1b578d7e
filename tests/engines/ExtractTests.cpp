// SPDX-License-Identifier: MIT
// The extract engine on archives made by the JDK's jar tool, Info-ZIP and
// Python: what it selects, where it writes, what it tells and asks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

const Files kSuite = {
    {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\nMIDlet-1: Snake, , snake.Main\r\n\r\n"},
    {"snake/Main.class", std::string(3000, 'M') + "main"},
    {"snake/Board.class", "board bytes"},
    {"icons/snake.png", std::string(512, '\x89')},
};

class ExtractFromTool : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        archive_ = work_ / "Snake.jar";
        PackWith(GetParam(), kSuite, archive_);
        fs::create_directory(target_);
    }
    TempDir work_;
    fs::path archive_;
    fs::path target_ = work_ / "out";
    CallbackScript script_;
};

TEST_P(ExtractFromTool, ManifestSpecSelectsTheManifestWhateverItsCase) {
    const std::int32_t result = RunExtract({archive_, target_, {"META-INF\\manifest.mf"}}, script_);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"META-INF/", "META-INF/MANIFEST.MF"}));
    const std::string manifest = ArchiveEntry(archive_, "META-INF/MANIFEST.MF");  // the jar tool adds to it
    EXPECT_EQ(ReadFile(target_ / "META-INF/MANIFEST.MF"), manifest);
    const std::size_t manifestSize = manifest.size();
    ASSERT_GE(script_.calls.size(), 5u);
    EXPECT_EQ(script_.calls.front().code, ACTION_BATCH_COUNT);
    EXPECT_EQ(script_.calls.front().value, 1);
    EXPECT_EQ(script_.calls[1].code, ACTION_BATCH_BYTES);
    EXPECT_EQ(script_.calls[1].value, static_cast<std::int32_t>(manifestSize));
    EXPECT_EQ(script_.calls[2].code, ACTION_BEGIN_FILE);
    EXPECT_EQ(script_.calls[2].text, "META-INF/MANIFEST.MF");
    EXPECT_EQ(script_.calls.back().code, ACTION_END_BATCH);
    EXPECT_EQ(script_.progressTotal(), static_cast<std::int64_t>(manifestSize));
    for (const RecordedCall& call : script_.calls) EXPECT_EQ(call.caller, &script_);
}

TEST_P(ExtractFromTool, StarExtractsEverythingWithItsFolders) {
    EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, script_), 4);
    for (const auto& [name, content] : kSuite)
        EXPECT_EQ(ReadFile(target_ / name), ArchiveEntry(archive_, name)) << name;
    EXPECT_EQ(ReadFile(target_ / "snake/Main.class"), kSuite.at("snake/Main.class"));
    EXPECT_EQ(script_.withCode(ACTION_BEGIN_FILE).size(), 4u);
    EXPECT_TRUE(script_.withCode(ACTION_SKIPPED).empty());
}

TEST_P(ExtractFromTool, WithoutFolderNamesFilesLandBare) {
    ExtractRequest request{archive_, target_, {"snake/*", "ICONS\\SNAKE.PNG"}};
    request.directoryNames = false;
    EXPECT_EQ(RunExtract(request, script_), 3);
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"Board.class", "Main.class", "snake.png"}));
}

INSTANTIATE_TEST_SUITE_P(Tools, ExtractFromTool, ::testing::Values("jar", "zip", "python"));

class ExtractOver : public ::testing::Test {
protected:
    void SetUp() override {
        PackWith("python", {{"META-INF/MANIFEST.MF", "new manifest"}, {"a.txt", "new a"}}, archive_);
        fs::create_directory(target_);
    }
    void existing(const std::string& name, const std::string& content, std::time_t modified) {
        WriteFile(target_ / name, content);
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        ::utimensat(AT_FDCWD, (target_ / name).c_str(), times, 0);
    }
    TempDir work_;
    fs::path archive_ = work_ / "suite.zip";
    fs::path target_ = work_ / "out";
    CallbackScript script_;
};

TEST_F(ExtractOver, AsksAboutEachExistingFileAndFollowsTheAnswer) {
    existing("a.txt", "old a", 100000);                                   // older than the entry
    existing("META-INF/MANIFEST.MF", "mine", std::time(nullptr) + 3600);  // newer
    script_.overwriteAnswer = 0;
    EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, script_), 0);
    EXPECT_EQ(ReadFile(target_ / "a.txt"), "old a");
    const auto questions = script_.withCode(ACTION_OVERWRITE);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].text, "META-INF/MANIFEST.MF");
    EXPECT_EQ(questions[0].status & 1, 0);
    EXPECT_EQ(questions[1].status & 1, 1);
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{"META-INF/MANIFEST.MF", "a.txt"}));

    CallbackScript yes;
    EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, yes), 2);
    EXPECT_EQ(ReadFile(target_ / "a.txt"), "new a");
}

TEST_F(ExtractOver, OverwriteAllReplacesWithoutAsking) {
    existing("a.txt", "old a", 100000);
    ExtractRequest request{archive_, target_, {"a.txt"}};
    request.overwriteAll = true;
    script_.overwriteAnswer = 0;
    EXPECT_EQ(RunExtract(request, script_), 1);
    EXPECT_EQ(ReadFile(target_ / "a.txt"), "new a");
    EXPECT_TRUE(script_.withCode(ACTION_OVERWRITE).empty());
}

TEST_F(ExtractOver, ReusesExistingNamesIgnoringCase) {
    existing("meta-inf/manifest.mf", "old", 100000);
    EXPECT_EQ(RunExtract({archive_, target_, {"META-INF\\manifest.mf"}}, script_), 1);
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"meta-inf/", "meta-inf/manifest.mf"}));
    EXPECT_EQ(ReadFile(target_ / "meta-inf/manifest.mf"), "new manifest");
}

// Of two folders that differ only in case, the one named exactly wins; a
// link of that exact name is never followed, though the other is a folder.
TEST_F(ExtractOver, AnExactFolderNameWinsAndAnExactLinkStops) {
    existing("meta-inf/manifest.mf", "old", 100000);
    fs::create_directory(target_ / "META-INF");
    EXPECT_EQ(RunExtract({archive_, target_, {"META-INF\\manifest.mf"}}, script_), 1);
    EXPECT_EQ(ReadFile(target_ / "META-INF/MANIFEST.MF"), "new manifest");
    EXPECT_EQ(ReadFile(target_ / "meta-inf/manifest.mf"), "old");

    fs::remove_all(target_ / "META-INF");
    const TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), target_ / "META-INF");
    CallbackScript linked;
    EXPECT_EQ(RunExtract({archive_, target_, {"META-INF\\manifest.mf"}}, linked), 0);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_EQ(ReadFile(target_ / "meta-inf/manifest.mf"), "old");
}

TEST_F(ExtractOver, FreshenOnlyReplacesWhatExists) {
    existing("a.txt", "old a", 100000);
    ExtractRequest request{archive_, target_, {"*"}};
    request.freshen = true;
    EXPECT_EQ(RunExtract(request, script_), 1);
    EXPECT_EQ(TreeOf(target_), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(script_.skippedNames(), (std::vector<std::string>{"META-INF/MANIFEST.MF"}));
}

TEST_F(ExtractOver, EmptySpecListExtractsNothing) {
    EXPECT_EQ(RunExtract({archive_, target_, {}}, script_), 0);
    EXPECT_TRUE(TreeOf(target_).empty());
}

TEST_F(ExtractOver, AStopLeavesNoPartialFile) {
    PackWith("python", {{"big.bin", std::string(300000, 'b')}}, archive_);
    for (int stopAt = 2; stopAt < 5; ++stopAt) {
        CallbackScript stopping;
        stopping.stopAtCall = stopAt;  // at the file's start or in its first pieces
        EXPECT_EQ(RunExtract({archive_, target_, {"*"}}, stopping), 0);
        EXPECT_TRUE(TreeOf(target_).empty()) << stopAt;
        EXPECT_EQ(stopping.calls.size(), static_cast<std::size_t>(stopAt + 1));
    }
}

TEST_F(ExtractOver, RecordsThatDoNotFitAreRefusedUntouched) {
    TUnzipParams params{};
    params.Version = ENGINE_RECORD_VERSION;  // Trailer missing
    EXPECT_EQ(Engines::Loaded().unzipExec(&params), 0);
    params.Trailer = ENGINE_RECORD_TRAILER;
    params.Version = ENGINE_RECORD_VERSION + 1;
    EXPECT_EQ(Engines::Loaded().unzipExec(&params), 0);
    EXPECT_EQ(Engines::Loaded().unzipExec(nullptr), 0);
    TZipParams zipParams{};
    EXPECT_EQ(Engines::Loaded().zipExec(&zipParams), 0);
    EXPECT_EQ(Engines::Loaded().zipExec(nullptr), 0);
    EXPECT_EQ(Engines::Loaded().zipVersion(), Engines::Loaded().unzipVersion());
    EXPECT_GT(Engines::Loaded().zipVersion(), 0);
}

// Names of archives written on DOS are in the DOS code page of the user's
// locale, as the component shows them: a Russian user's CP866 names.
TEST(ExtractOemNames, NamesFollowTheLocalesDosCodePage) {
    TempDir work;
    const std::string cp866 = "\x8F\xE0\xA8\xA2\xA5\xE2.txt";                          // the same name in CP866
    const std::string shown = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt";  // "Privet" in Cyrillic, UTF-8
    WriteFile(work / "dos.zip", ZipArchive({}, {StoredEntry(cp866, "hello")}).bytes());
    fs::create_directory(work / "out");
    CallbackScript script;
    {
        const ScopedVariable locale("LC_ALL", "C");
        EXPECT_EQ(RunExtract({work / "dos.zip", work / "out", {shown}}, script), 0);
    }
    const ScopedVariable locale("LC_ALL", "ru_RU.UTF-8");
    EXPECT_EQ(RunExtract({work / "dos.zip", work / "out", {shown}}, script), 1);
    EXPECT_EQ(TreeOf(work / "out"), (std::vector<std::string>{shown}));
}

TEST(EngineModules, ExportOnlyTheirEntryPoints) {
    for (const auto& [module, expected] : {std::pair{"ZipDll.so", "GetZipDllVersion ZipDllExec "},
                                           std::pair{"UnZDll.so", "GetUnzDllVersion UnzDllExec "}}) {
        const CommandResult symbols =
            RunCommand({"sh", "-c",
                        std::string("nm -D --defined-only '") + VORLAN_BIN_DIR + "/" + module +
                            "' | awk '{print $3}' | grep -v '^_' | grep . | sort | tr '\\n' ' '"});
        EXPECT_EQ(symbols.output, expected) << module;
    }
}

}  // namespace
}  // namespace vorlan::test
