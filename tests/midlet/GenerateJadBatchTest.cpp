// SPDX-License-Identifier: MIT
// Mode 0 end to end, on JARs made by the JDK jar tool, Info-ZIP zip and
// Python's zipfile: API files added, descriptors written, check marks set, and
// every JAR written still read by unzip -t and by Java.
#include <algorithm>
#include <map>

#include "midlet/BatchDriver.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "tests/midlet/BatchFixture.h"
#include "tests/support/ZipWriter.h"
#include "zip/TZip.h"

namespace vorlan::test {
namespace {

bool Holds(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class GenerateJadBatchTest : public BatchTest {
protected:
    // A small game of three files whose manifest bytes stay as given.
    fs::path Game(const std::string& tool, const std::string& name) {
        return MakeJar(tool, name,
                       {{"META-INF/MANIFEST.MF", SuiteManifest(name.substr(0, name.size() - 4))},
                        {"game/Main.class", "main " + name},
                        {"i.png", "png"}});
    }
    // The descriptor a JAR must get: the lines of its manifest plus its size and name.
    static std::string ExpectedJad(const fs::path& jar, const std::string& manifest) {
        return CrLfLines(SplitTextLines(manifest)) + JarSizeAndUrlLines(jar);
    }
    static std::string ExpectedJad(const fs::path& jar) {
        return ExpectedJad(jar, ArchiveEntry(jar, "META-INF/MANIFEST.MF"));
    }
    void ExpectSoundJar(const fs::path& jar) {
        EXPECT_TRUE(UnzipTestPasses(jar)) << jar;
        EXPECT_NO_THROW(JavaReadManifest(jar)) << jar;
    }
};

TEST_F(GenerateJadBatchTest, WithoutApisTheJarIsUntouchedAndGetsItsDescriptor) {
    const fs::path jar = Game("zip", "Snake.JAR");
    const std::string before = ReadFile(jar);
    RunOn({jar});
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_EQ(ReadFile(Suite("Snake.jad")), ExpectedJad(jar, SuiteManifest("Snake")));
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    EXPECT_EQ(host_.finishedBoxes, std::vector<std::string>{"Process successfuly completed!|Finished!"});
    EXPECT_FALSE(ScratchFolderExists());
}

TEST_F(GenerateJadBatchTest, EntriesThatAreNotJarsAreLeftAloneAndChecked) {
    WriteFile(Suite("a.jad"), "MIDlet-Name: A\r\n");
    WriteFile(Suite("b.zip"), "not even a zip");
    WriteFile(Suite("c.mf"), "x");
    const fs::path jar = Game("python", "d.jar");
    RunOn({Suite("a.jad"), Suite("b.zip"), Suite("c.mf"), jar});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(ReadFile(Suite("a.jad")), "MIDlet-Name: A\r\n");
    EXPECT_EQ(ReadFile(Suite("b.zip")), "not even a zip");
    EXPECT_EQ(SuitesFolderListing(), (std::vector<std::string>{"a.jad", "b.zip", "c.mf", "d.jad", "d.jar"}));
    EXPECT_EQ(host_.progressMax, 4);
    EXPECT_EQ(host_.positions, (std::vector<int>{0, 1, 2, 3, 4, 4}));
}

// The bar moves as each entry's work is done, not when its suite's group
// commits: when the next entry starts, the one before is counted though its
// check mark still waits for the group.
TEST_F(GenerateJadBatchTest, ProgressCountsEachEntryAsSoonAsItsWorkIsDone) {
    const std::vector<fs::path> jars{Game("zip", "a.jar"), Game("zip", "b.jar"), Game("zip", "c.jar")};
    std::vector<int> positionWhenStarting;
    host_.beforeEntry = [this, &positionWhenStarting](int) { positionWhenStarting.push_back(host_.positions.back()); };
    RunOn(jars);
    EXPECT_EQ(positionWhenStarting, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1}));
}

TEST_F(GenerateJadBatchTest, OneApiGoesIntoEveryJarWithoutItsManifestOrSignature) {
    MakeApi("zip", "nokiaui.zip",
            {{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: NotTheGame\r\n"},
             {"META-INF/VENDOR.SF", "signature"},
             {"META-INF/vendor.rsa", "block"},
             {"com/nokia/mid/ui/FullCanvas.class", "full canvas"}});
    host_.CheckApis({"nokiaui.zip"});
    const std::vector<fs::path> jars{Game("jar", "one.jar"), Game("zip", "two.jar"), Game("python", "three.jar")};
    std::vector<std::string> manifests;
    std::vector<std::int64_t> sizesBefore;
    for (const fs::path& jar : jars) {
        manifests.push_back(ArchiveEntry(jar, "META-INF/MANIFEST.MF"));
        sizesBefore.push_back(static_cast<std::int64_t>(fs::file_size(jar)));
    }
    RunOn(jars);
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1}));
    ASSERT_EQ(host_.facts.size(), jars.size());
    for (std::size_t i = 0; i < jars.size(); ++i) {
        SCOPED_TRACE(jars[i]);
        const SuiteFacts& facts = host_.facts[i];
        EXPECT_EQ(facts.midletName, jars[i].stem().string());
        EXPECT_EQ(facts.midletVersion, "1.0.2");
        EXPECT_EQ(facts.jarSizeBefore, sizesBefore[i]);
        EXPECT_EQ(facts.jarSizeAfter, static_cast<std::int64_t>(fs::file_size(jars[i])));
        EXPECT_EQ(facts.apisAdded, (std::vector<std::string>{"nokiaui.zip"}));
        const std::vector<std::string> names = ArchiveNames(jars[i]);
        EXPECT_EQ(ArchiveEntry(jars[i], "com/nokia/mid/ui/FullCanvas.class"), "full canvas");
        EXPECT_EQ(ArchiveEntry(jars[i], "META-INF/MANIFEST.MF"), manifests[i]);
        EXPECT_EQ(std::count_if(names.begin(), names.end(),
                                [](const std::string& n) { return LowerAscii(n) == "meta-inf/manifest.mf"; }),
                  1);
        EXPECT_FALSE(Holds(names, "META-INF/VENDOR.SF"));
        EXPECT_FALSE(Holds(names, "META-INF/vendor.rsa"));
        EXPECT_TRUE(Holds(names, "game/Main.class"));
        EXPECT_EQ(ReadFile(ReplaceLastThree(jars[i].string(), "jad")), ExpectedJad(jars[i]));
        ExpectSoundJar(jars[i]);
    }
    EXPECT_FALSE(ScratchFolderExists());
}

TEST_F(GenerateJadBatchTest, OfTwoApisWithTheSamePathTheLaterOneWins) {
    MakeApi("zip", "first.zip", {{"api/Shared.class", "first"}, {"api/OnlyFirst.class", "1"}});
    MakeApi("jar", "second.jar", {{"api/Shared.class", "second"}});
    host_.CheckApis({"first.zip", "second.jar"});
    const fs::path jar = Game("jar", "g.jar");
    RunOn({jar});
    EXPECT_EQ(ArchiveEntry(jar, "api/Shared.class"), "second");
    EXPECT_EQ(ArchiveEntry(jar, "api/OnlyFirst.class"), "1");
    ExpectSoundJar(jar);
}

// A broken archive is skipped whole, also one that broke after giving some
// of its files; the archives after it are still added, and each broken one
// is reported once.
TEST_F(GenerateJadBatchTest, ABrokenApiIsSkippedAndTheOnesAfterItAreStillUsed) {
    MakeApi("zip", "a.zip", {{"a/A.class", "a"}, {"shared/S.class", "from a"}});
    WriteFile(work_ / "API" / "broken.rar", "Rar!\x1a\x07 not a zip archive");
    ZipEntry damaged = StoredEntry("half/Damaged.class", "damaged");
    damaged.crc = Crc32("something else");
    WriteFile(work_ / "API" / "half.zip",
              ZipArchive{"", {StoredEntry("shared/S.class", "from half"), damaged}}.bytes());
    MakeApi("zip", "c.zip", {{"c/C.class", "c"}});
    host_.CheckApis({"a.zip", "broken.rar", "half.zip", "c.zip"});
    const fs::path first = Game("zip", "first.jar");
    const fs::path second = Game("zip", "second.jar");
    RunOn({first, second});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1}));
    for (const fs::path& jar : {first, second}) {
        EXPECT_EQ(ArchiveEntry(jar, "a/A.class"), "a");
        EXPECT_EQ(ArchiveEntry(jar, "shared/S.class"), "from a");
        EXPECT_EQ(ArchiveEntry(jar, "c/C.class"), "c");
        EXPECT_FALSE(Holds(ArchiveNames(jar), "half/Damaged.class"));
    }
    for (const SuiteFacts& facts : host_.facts)
        EXPECT_EQ(facts.apisAdded, (std::vector<std::string>{"a.zip", "c.zip"}));  // the archives that went in
    ASSERT_EQ(host_.apiFailures.size(), 2u) << ::testing::PrintToString(host_.apiFailures);
    EXPECT_EQ(host_.apiFailures[0].rfind("broken.rar: ", 0), 0u) << host_.apiFailures[0];
    EXPECT_EQ(host_.apiFailures[1].rfind("half.zip: ", 0), 0u) << host_.apiFailures[1];
}

// Names written without the UTF-8 flag are converted from the code page the
// archive's writer used, and a name that is no UTF-8 after that, or holds a
// NUL byte, is left out with a warning: every JAR stays readable by Java.
TEST_F(GenerateJadBatchTest, ApiEntryNamesReachTheJarInUtf8OrNotAtAll) {
    // 0xB0 is the same shade in every DOS code page the locale may choose.
    ZipArchive dos{"", {StoredEntry("api/\xB0.class", "shade"), StoredEntry("api/Dos.class", "dos")}};
    ZipArchive unix{"",
                    {StoredEntry("api/Unix.class", "unix"), StoredEntry("api/\x8E\x8E.class", "cp437"),
                     StoredEntry(std::string("api/te\0t.class", 14), "nul")}};
    for (ZipEntry& entry : unix.entries) entry.versionMadeBy = (3 << 8) | 20;
    WriteFile(work_ / "API" / "dos.zip", dos.bytes());
    WriteFile(work_ / "API" / "unix.zip", unix.bytes());
    host_.CheckApis({"dos.zip", "unix.zip"});
    const fs::path jar = Game("jar", "g.jar");
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    EXPECT_TRUE(host_.apiFailures.empty()) << ::testing::PrintToString(host_.apiFailures);
    EXPECT_EQ(host_.apiEntriesLeftOut,
              (std::vector<std::string>{"unix.zip: \"api/\\x8E\\x8E.class\" is left out: its name is not UTF-8, which "
                                        "Java cannot read",
                                        "unix.zip: \"api/te\\0t.class\" is left out: its name holds a NUL byte"}));
    std::map<std::string, std::uint16_t> flagsByName;
    TZip listing;
    listing.SetZipFileName(jar.string());
    TFileInfo entry;
    for (std::int32_t i = 0; i < listing.EntryCount(); ++i) {
        listing.GetEntry(i, entry);
        flagsByName[entry.FileName] = entry.Flags;
    }
    EXPECT_EQ(flagsByName.count("api\\\xE2\x96\x91.class"), 1u);  // U+2591
    EXPECT_EQ(flagsByName["api\\\xE2\x96\x91.class"] & 0x800, 0x800);
    EXPECT_EQ(flagsByName.count("api\\Unix.class"), 1u);
    EXPECT_EQ(flagsByName.count("api\\Dos.class"), 1u);
    EXPECT_EQ(std::count_if(flagsByName.begin(), flagsByName.end(),
                            [](const auto& named) { return named.first.rfind("api\\", 0) == 0; }),
              3)
        << ::testing::PrintToString(flagsByName);
    ExpectSoundJar(jar);
}

TEST_F(GenerateJadBatchTest, EveryJarGetsTheApisCheckedWhenItsTurnComes) {
    MakeApi("zip", "a.zip", {{"a/A.class", "a"}});
    MakeApi("zip", "b.zip", {{"b/B.class", "b"}});
    host_.apis = {"a.zip", "b.zip"};
    host_.checkedApis = {"a.zip"};
    const fs::path fixed = Game("zip", "fixed.jar");
    const fs::path first = Game("zip", "first.jar");
    const fs::path second = Game("zip", "second.jar");
    host_.mode = BatchMode::BuildFix;  // a fix first: it empties the scratch folder of the API files
    host_.beforeEntry = [this](int index) {
        if (index == 1) host_.mode = BatchMode::GenerateJad;
        if (index == 2) host_.checkedApis = {"b.zip"};
    };
    RunOn({fixed, first, second});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1}));
    EXPECT_FALSE(Holds(ArchiveNames(fixed), "a/A.class"));
    EXPECT_EQ(ArchiveEntry(first, "a/A.class"), "a");
    EXPECT_FALSE(Holds(ArchiveNames(first), "b/B.class"));
    EXPECT_EQ(ArchiveEntry(second, "b/B.class"), "b");
    EXPECT_FALSE(Holds(ArchiveNames(second), "a/A.class"));
}

TEST_F(GenerateJadBatchTest, AJarWithoutManifestIsNeverGivenAnotherArchivesManifest) {
    MakeApi("zip", "api.zip", {{"META-INF/MANIFEST.MF", "MIDlet-Name: Api\r\n"}, {"api/X.class", "x"}});
    host_.CheckApis({"api.zip"});
    const fs::path bare = MakeJar("zip", "bare.jar", {{"game/Main.class", "main"}});
    const std::string before = ReadFile(bare);
    const fs::path next = Game("zip", "next.jar");
    // Nor the manifest of the JAR before it, whatever the case of its name.
    const fs::path lower =
        MakeJar("python", "lower.jar", {{"meta-inf/manifest.mf", SuiteManifest("lower")}, {"game/Main.class", "m"}});
    RunOn({bare, next, lower, bare});
    EXPECT_EQ(host_.checked, (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(ReadFile(bare), before);
    EXPECT_FALSE(fs::exists(Suite("bare.jad")));
    EXPECT_NE(host_.failures[0].find("MANIFEST"), std::string::npos) << host_.failures[0];
    EXPECT_NE(host_.failures[3].find("MANIFEST"), std::string::npos) << host_.failures[3];
    EXPECT_EQ(ReadFile(Suite("next.jad")), ExpectedJad(next));
    EXPECT_EQ(ArchiveEntry(next, "api/X.class"), "x");
}

TEST_F(GenerateJadBatchTest, ManifestsAreFoundWhateverTheCaseOfTheirFolderAndName) {
    // The API's lower-case folder takes in every JAR's manifest; one JAR
    // stores its manifest under a lower-case name itself.
    MakeApi("python", "api.zip", {{"meta-inf/notes.txt", "notes"}, {"api/X.class", "x"}});
    host_.CheckApis({"api.zip"});
    const fs::path upper = Game("python", "upper.jar");
    const fs::path lower =
        MakeJar("python", "lower.jar", {{"meta-inf/manifest.mf", SuiteManifest("lower")}, {"game/Main.class", "m"}});
    RunOn({upper, lower, Game("zip", "again.jar")});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(ReadFile(Suite("upper.jad")), ExpectedJad(upper));
    EXPECT_EQ(ReadFile(Suite("lower.jad")), ExpectedJad(lower, SuiteManifest("lower")));
    EXPECT_NE(ReadFile(Suite("again.jad")).find("MIDlet-Name: again"), std::string::npos);
}

TEST_F(GenerateJadBatchTest, AnAddThatDidNotHappenFailsTheEntryAndLeavesTheJarAsItWas) {
    MakeApi("zip", "api.zip", {{"api/A.class", "a"}, {"api/B.class", "b"}, {"api/C.class", "c"}});
    host_.CheckApis({"api.zip"});
    const fs::path jar = Game("zip", "g.jar");
    const std::string before = ReadFile(jar);
    // Stopped by its callback once adding into the JAR (through its hidden
    // stand-in beside it) has begun, as the progress dialog's Cancel button would.
    host_.zip.OnZEDBeginFileEvent = [](TZip& zip, const std::string& name, std::int32_t, std::int32_t, std::int32_t) {
        if (zip.ZipFileName().find("g.jar") != std::string::npos &&
            LowerAscii(name).find("manifest") == std::string::npos)
            zip.CancelOperation();
    };
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_EQ(ReadFile(jar), before);
    EXPECT_FALSE(fs::exists(Suite("g.jad")));
    // What was learned before the failure stays; nothing written is claimed.
    ASSERT_EQ(host_.facts.size(), 1u);
    EXPECT_EQ(host_.facts[0].midletName, "g");
    EXPECT_EQ(host_.facts[0].jarSizeBefore, static_cast<std::int64_t>(before.size()));
    EXPECT_EQ(host_.facts[0].jarSizeAfter, -1);
    EXPECT_TRUE(host_.facts[0].apisAdded.empty());
}

TEST_F(GenerateJadBatchTest, AJarThatIsGoneFailsAndNothingIsCreatedInItsPlace) {
    const fs::path game = Game("zip", "here.jar");
    RunOn({Suite("gone.jar"), game});
    EXPECT_EQ(host_.checked, (std::vector<int>{0, 1}));
    EXPECT_EQ(SuitesFolderListing(), (std::vector<std::string>{"here.jad", "here.jar"}));
}

TEST_F(GenerateJadBatchTest, AnExistingDescriptorInAnotherCaseIsTheOneReplaced) {
    const fs::path jar = Game("zip", "Game.jar");
    WriteFile(Suite("GAME.JAD"), "stale\r\n");
    RunOn({jar});
    EXPECT_EQ(SuitesFolderListing(), (std::vector<std::string>{"GAME.JAD", "Game.jar"}));
    EXPECT_EQ(ReadFile(Suite("GAME.JAD")), ExpectedJad(jar));
}

TEST_F(GenerateJadBatchTest, RunningTwiceStartsAfreshAndGivesTheSameResult) {
    MakeApi("python", "api.zip", {{"api/X.class", "x"}});
    host_.CheckApis({"api.zip"});
    const fs::path jar = Game("jar", "g.jar");
    const fs::path bare = MakeJar("zip", "bare.jar", {{"a", "b"}});
    RunOn({jar, bare});
    const std::vector<std::string> namesAfterFirstRun = ArchiveNames(jar);
    RunOn({jar, bare});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 0}));
    // The first run's marks are all cleared before anything else is done.
    ASSERT_GE(host_.checkCalls.size(), 2u);
    EXPECT_EQ(host_.checkCalls[0], std::make_pair(0, false));
    EXPECT_EQ(host_.checkCalls[1], std::make_pair(1, false));
    EXPECT_EQ(host_.positions, (std::vector<int>{0, 1, 2, 2}));
    EXPECT_EQ(ReadFile(Suite("g.jad")), ExpectedJad(jar));
    EXPECT_EQ(ArchiveNames(jar), namesAfterFirstRun) << "nothing added twice";
    EXPECT_EQ(host_.finishedBoxes.size(), 2u);
    ExpectSoundJar(jar);
}

TEST_F(GenerateJadBatchTest, AnEmptyListStillClosesWithTheMessageAndLeavesNoScratchFolder) {
    RunOn({});
    EXPECT_EQ(host_.finishedBoxes, std::vector<std::string>{"Process successfuly completed!|Finished!"});
    EXPECT_EQ(host_.progressMax, 0);
    EXPECT_FALSE(ScratchFolderExists());
    EXPECT_FALSE(host_.running);
}

}  // namespace
}  // namespace vorlan::test
