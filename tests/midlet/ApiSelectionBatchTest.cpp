// SPDX-License-Identifier: MIT
// Which API files a JAR gets and what the user is told: a checked archive's
// copy of a file the JAR already has replaces it with a warning; with --api
// auto (a chooser that answers from a table here) each JAR gets exactly the
// chosen archives, never over its own files, and a JAR that needs nothing
// stays byte for byte as it was.
#include <map>

#include "midlet/ApiChooser.h"
#include "midlet/PathNames.h"
#include "tests/midlet/BatchFixture.h"

namespace vorlan::test {
namespace {

// The archives a JAR needs, by its file name.
class TableChooser : public ApiChooser {
public:
    std::map<std::string, ApiChoice> choices;
    std::vector<std::vector<std::string>> indexed;  // the catalogue of every IndexCatalogue

    void IndexCatalogue(const std::vector<std::string>& archives) override { indexed.push_back(archives); }
    ApiChoice Choose(const std::string& jarPath) override {
        const auto found = choices.find(fs::path(jarPath).filename().string());
        return found == choices.end() ? ApiChoice{} : found->second;
    }
};

const std::string kManifest = SuiteManifest("g");

// The warnings of an entry but the written suite's check, which these
// stand-in suites (no vendor, class files of a few bytes) always draw.
std::vector<std::string> SelectionWarnings(std::vector<std::string> warnings) {
    std::erase_if(warnings, [](const std::string& text) { return text.rfind("would not ", 0) == 0; });
    return warnings;
}

struct ReplacedCase {
    std::string name;
    std::vector<std::pair<std::string, Files>> apis;  // the catalogue, all checked
    Files jarFiles;
    std::vector<std::string> warnings;
    std::map<std::string, std::string> afterwards;  // entries of the JAR after the batch
};

void PrintTo(const ReplacedCase& row, std::ostream* out) {
    *out << row.name;
}

class ReplacedFilesTest : public BatchTest, public ::testing::WithParamInterface<ReplacedCase> {};

TEST_P(ReplacedFilesTest, ACheckedArchiveReplacesTheJarsOwnFilesWithAWarning) {
    std::vector<std::string> names;
    for (const auto& [name, files] : GetParam().apis) {
        MakeApi("zip", name, files);
        names.push_back(name);
    }
    host_.CheckApis(names);
    Files files = GetParam().jarFiles;
    files["META-INF/MANIFEST.MF"] = kManifest;
    const fs::path jar = MakeJar("zip", "g.jar", files);
    RunOn({jar});
    EXPECT_EQ(host_.checked, std::vector<int>{1});
    const std::vector<std::string> warnings =
        host_.warnings.empty() ? std::vector<std::string>() : SelectionWarnings(host_.warnings[0]);
    EXPECT_EQ(warnings, GetParam().warnings);
    for (const auto& [name, content] : GetParam().afterwards) EXPECT_EQ(ArchiveEntry(jar, name), content) << name;
    EXPECT_EQ(ArchiveEntry(jar, "META-INF/MANIFEST.MF"), kManifest);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplacedFilesTest,
    ::testing::Values(
        ReplacedCase{"NoFileInCommon",
                     {{"a.zip", {{"a/A.class", "api"}, {"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"}}}},
                     {{"g/Main.class", "main"}},
                     {},
                     {{"a/A.class", "api"}}},
        ReplacedCase{"NamesInAnyLetterCase",
                     {{"a.zip", {{"a/A.class", "api A"}, {"A/b.CLASS", "api b"}, {"a/C.class", "api C"}}}},
                     {{"g/Main.class", "main"}, {"a/A.class", "own A"}, {"a/b.class", "own b"}},
                     {"a.zip replaced 2 of g.jar's own files: a/A.class, a/b.class"},
                     {{"a/A.class", "api A"}, {"g/Main.class", "main"}}},
        ReplacedCase{"TheFirstFewOfMany",
                     {{"a.zip", {{"x/1", "1"}, {"x/2", "2"}, {"x/3", "3"}, {"x/4", "4"}, {"x/5", "5"}}}},
                     {{"x/1", "own"}, {"x/2", "own"}, {"x/3", "own"}, {"x/4", "own"}, {"x/5", "own"}},
                     {"a.zip replaced 5 of g.jar's own files: x/1, x/2, x/3 and 2 more"},
                     {{"x/5", "5"}}},
        ReplacedCase{
            "TheLaterOfTwoArchivesIsTheOneThatReplaced",
            {{"first.zip", {{"s/S.class", "first"}, {"f/F.class", "f"}}}, {"second.zip", {{"s/S.class", "second"}}}},
            {{"s/S.class", "own"}, {"f/F.class", "own F"}},
            {"first.zip replaced 1 of g.jar's own files: f/F.class",
             "second.zip replaced 1 of g.jar's own files: s/S.class"},
            {{"s/S.class", "second"}, {"f/F.class", "f"}}}),
    [](const ::testing::TestParamInfo<ReplacedCase>& param) { return param.param.name; });

class AutoApiBatchTest : public BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        MakeApi("zip", "acme.zip", {{"acme/Canvas.class", "api canvas"}, {"acme/Sound.class", "api sound"}});
        MakeApi("zip", "other.zip", {{"other/Thing.class", "thing"}});
        host_.apis = {"acme.zip", "broken.zip", "other.zip"};
        WriteFile(work_ / "API" / "broken.zip", "not a zip");
        host_.chooser = &chooser_;
    }
    fs::path Game(const std::string& name, Files files) {
        files["META-INF/MANIFEST.MF"] = kManifest;
        files["g/Main.class"] = "main " + name;
        return MakeJar("zip", name, files);
    }
    static ChosenApi Chosen(const std::string& archive, std::vector<std::string> classes) {
        return {archive, std::move(classes)};
    }

    TableChooser chooser_;
};

// In list order: a JAR that needs acme.zip and has its own copy of one of
// its files, one that needs acme.zip again (and gets every file of it, the
// one the first JAR kept out too), one that needs nothing, one that needs
// other.zip (whose files come instead of acme.zip's), and one whose archive
// cannot be used.
TEST_F(AutoApiBatchTest, EachJarGetsItsOwnArchivesAndKeepsItsOwnFiles) {
    const fs::path ownCanvas = Game("own.jar", {{"acme/Canvas.class", "own canvas"}});
    const fs::path needsNothing = Game("nothing.jar", {});
    const fs::path needsOther = Game("other.jar", {});
    const fs::path needsAcme = Game("acme.jar", {});
    const fs::path needsBroken = Game("broken.jar", {});
    chooser_.choices["own.jar"] = {{Chosen("acme.zip", {"acme/Sound"})}, {"x/Y", "x/Z"}};
    chooser_.choices["other.jar"] = {{Chosen("other.zip", {"other/Thing"})}, {}};
    chooser_.choices["acme.jar"] = {{Chosen("acme.zip", {"acme/Canvas", "acme/Sound"})}, {}};
    chooser_.choices["broken.jar"] = {{Chosen("broken.zip", {"b/B"})}, {}};
    const std::string nothingBefore = ReadFile(needsNothing);
    const std::string brokenBefore = ReadFile(needsBroken);
    RunOn({ownCanvas, needsAcme, needsNothing, needsOther, needsBroken});

    EXPECT_EQ(chooser_.indexed, (std::vector<std::vector<std::string>>{host_.apis}));
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(ArchiveNames(ownCanvas).size(), 4u);
    EXPECT_EQ(ArchiveEntry(ownCanvas, "acme/Canvas.class"), "own canvas");
    EXPECT_EQ(ArchiveEntry(ownCanvas, "acme/Sound.class"), "api sound");
    EXPECT_EQ(ReadFile(needsNothing), nothingBefore);
    EXPECT_EQ(ArchiveNames(needsOther),
              (std::vector<std::string>{"META-INF/MANIFEST.MF", "g/Main.class", "other/Thing.class"}));
    EXPECT_EQ(ArchiveEntry(needsAcme, "acme/Canvas.class"), "api canvas");
    EXPECT_EQ(ArchiveEntry(needsAcme, "acme/Sound.class"), "api sound");
    EXPECT_EQ(ReadFile(needsBroken), brokenBefore);
    for (const fs::path& jar : {ownCanvas, needsAcme, needsNothing, needsOther, needsBroken})
        EXPECT_TRUE(fs::exists(ReplaceLastThree(jar.string(), "jad"))) << jar;

    const std::vector<std::vector<std::string>> warnings{
        {"added acme.zip for acme/Sound", "no API archive provides x/Y and 1 more"},
        {"added acme.zip for acme/Canvas and 1 more"},
        {},
        {"added other.zip for other/Thing"},
        {}};
    host_.warnings.resize(warnings.size());
    for (std::vector<std::string>& entry : host_.warnings) entry = SelectionWarnings(entry);
    EXPECT_EQ(host_.warnings, warnings);
    host_.apisAdded.resize(warnings.size());
    EXPECT_EQ(host_.apisAdded,
              (std::vector<std::vector<std::string>>{{"acme.zip"}, {"acme.zip"}, {}, {"other.zip"}, {}}));
    ASSERT_EQ(host_.apiFailures.size(), 1u);
    EXPECT_EQ(host_.apiFailures[0].rfind("broken.zip: ", 0), 0u) << host_.apiFailures[0];
}

}  // namespace
}  // namespace vorlan::test
