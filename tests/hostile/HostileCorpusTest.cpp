// SPDX-License-Identifier: MIT
// Every case of the hostile corpus through every path: the directory reader,
// Extract of every entry and of the manifest, a mode-0 batch with an API
// archive checked, a mode-1 batch, a mode-0 batch with the case as the API
// archive, and the fuzz targets' invariants. Each ends in its outcome;
// nothing is ever written outside the target or scratch folder, no batch
// leaves a descriptor open, and a suite whose entry fails is left byte for
// byte as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "midlet/ArchiveHelpers.h"
#include "midlet/BatchDriver.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/hostile/HostileCases.h"
#include "tests/support/BatchEnvironment.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/TestTools.h"
#include "zipformat/Utf8.h"

namespace vorlan::test {

// Failure messages name the case rather than dump its bytes.
void PrintTo(const HostileCase& row, std::ostream* out) {
    *out << row.name;
}

namespace {

const char kAbsoluteVictim[] = "/tmp/vorlan-hostile-absolute.txt";

// work/outside is three levels above the target, the scratch folder and the
// suites: every name climbing out of them lands inside work/, where the
// listing sees it.
class HostileCorpusTest : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override {
        fs::create_directories(work_ / "outside");
        fs::create_directories(suites_);
        fs::create_directories(target_);
        WriteFile(environment_.apiFolder() / "api.zip", ApiArchiveBytes());
        original_ = GetParam().build();
        WriteFile(jar_, original_);
        host_.CheckApis({"api.zip"});
        // The component keeps /proc/self/mountinfo open for the process's
        // life from its first archive on: descriptors are counted after one.
        host_.zip.SetZipFileName((environment_.apiFolder() / "api.zip").string());
    }

    // The open descriptors of this process with what each one is.
    static std::vector<std::string> OpenDescriptors() {
        std::vector<std::string> open;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code gone;  // the listing's own descriptor is closed by now
            const fs::path target = fs::read_symlink(entry.path(), gone);
            if (!gone) open.push_back(entry.path().filename().string() + " -> " + target.string());
        }
        std::sort(open.begin(), open.end());
        return open;
    }

    // The work tree holds the suite (and its descriptor when the batch
    // succeeded), the API archive, and nothing else outside the target.
    void ExpectNothingOutside(bool descriptorWritten) {
        std::vector<std::string> expected{"outside/",        "x/",           "x/y/",        "x/y/API/",
                                          "x/y/API/api.zip", "x/y/scratch/", "x/y/suites/", "x/y/suites/Game.jar",
                                          "x/y/target/"};
        if (descriptorWritten) expected.push_back("x/y/suites/Game.jad");
        std::vector<std::string> tree = TreeBelow(work_.path());
        tree.erase(std::remove_if(tree.begin(), tree.end(),
                                  [](const std::string& name) {
                                      return name.rfind("x/y/target/", 0) == 0 && name != "x/y/target/";
                                  }),
                   tree.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(tree, expected);
        EXPECT_FALSE(fs::exists(kAbsoluteVictim));
    }

    std::vector<std::string> ExtractInto(const std::string& spec) {
        fs::remove_all(target_);
        fs::create_directories(target_);
        try {
            ExtractFromArchive(host_.zip, spec, target_.string() + "/", jar_.string());
        } catch (const std::exception&) {
            // An archive the directory reader refuses extracts nothing: the listing says so.
        }
        fs::current_path(work_.path());
        return TreeBelow(target_);
    }

    std::vector<std::string> EntryNames(const fs::path& archive) {
        TZip zip;
        zip.SetZipFileName(archive.string());
        std::vector<std::string> names;
        TFileInfo info;
        for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
            zip.GetEntry(i, info);
            names.push_back(info.FileName);
        }
        return names;
    }

    bool Holds(const fs::path& archive, const std::string& name) {
        const std::vector<std::string> names = EntryNames(archive);
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    void ExpectUntouched() {
        EXPECT_EQ(host_.checked, std::vector<int>{0});
        EXPECT_TRUE(ReadFile(jar_) == original_) << "the suite was changed";
        EXPECT_FALSE(fs::exists(jad_));
        ExpectNothingOutside(false);
    }

    void RunBatch(BatchMode mode) {
        WriteFile(jar_, original_);
        fs::remove(jad_);
        host_.mode = mode;
        const std::vector<std::string> before = OpenDescriptors();
        host_.Run({jar_});
        EXPECT_EQ(OpenDescriptors(), before) << "the batch left a descriptor open";
    }

    TempDir work_;
    BatchEnvironment environment_{work_ / "x/y"};
    fs::path suites_ = work_ / "x/y/suites";
    fs::path target_ = work_ / "x/y/target";
    fs::path jar_ = suites_ / "Game.jar";
    fs::path jad_ = suites_ / "Game.jad";
    std::string original_;
    RecordingBatchHost host_;
};

TEST_P(HostileCorpusTest, DirectoryReaderEndsInItsOutcome) {
    const HostileCase& c = GetParam();
    TZip zip;
    std::string message;
    try {
        zip.SetZipFileName(jar_.string());
    } catch (const ZipException& error) {
        message = error.what();
    }
    switch (c.reader) {
        case ReaderOutcome::Lists:
            EXPECT_EQ(message, "");
            EXPECT_EQ(zip.EntryCount(), c.listed);
            break;
        case ReaderOutcome::NotValid:
            EXPECT_EQ(message, "\"" + jar_.string() + "\"\nis not a valid Zip file.");
            break;
        case ReaderOutcome::ReadError:
            EXPECT_EQ(message, "Error reading 'CentralFileHeader'!");
            break;
    }
    EXPECT_TRUE(ReadFile(jar_) == original_) << "the suite was changed";
}

TEST_P(HostileCorpusTest, ExtractOfEveryEntryWritesOnlyBelowItsTarget) {
    EXPECT_EQ(ExtractInto("*"), GetParam().extractedAll);
    EXPECT_TRUE(ReadFile(jar_) == original_) << "the suite was changed";
    ExpectNothingOutside(false);
}

TEST_P(HostileCorpusTest, ExtractOfTheManifestGivesItOrNothing) {
    const std::vector<std::string> tree = ExtractInto("META-INF\\manifest.mf");
    const std::string& expected = GetParam().manifestExtracted;
    if (expected.empty()) {
        EXPECT_EQ(std::count_if(tree.begin(), tree.end(), [](const std::string& name) { return name.back() != '/'; }),
                  0)
            << ::testing::PrintToString(tree);
    } else {
        ASSERT_EQ(tree, (std::vector<std::string>{"META-INF/", "META-INF/MANIFEST.MF"}));
        EXPECT_EQ(ReadFile(target_ / "META-INF/MANIFEST.MF"), expected);
    }
    EXPECT_TRUE(ReadFile(jar_) == original_) << "the suite was changed";
    ExpectNothingOutside(false);
}

TEST_P(HostileCorpusTest, GenerateJadBatchWithAnApi) {
    RunBatch(BatchMode::GenerateJad);
    if (std::string(GetParam().name).rfind("LocalHeader", 0) == 0) {
        EXPECT_NE(host_.failures.at(0).find("disagrees with its central directory record"), std::string::npos)
            << host_.failures.at(0);
    }
    if (GetParam().mode0 == EntryOutcome::Fails) return ExpectUntouched();
    EXPECT_EQ(host_.checked, std::vector<int>{1}) << host_.failures.at(0);
    EXPECT_TRUE(Holds(jar_, "api\\Extra.class"));
    EXPECT_EQ(ReadFile(jad_), SuiteManifestText() + JarSizeAndUrlLines(jar_));
    ExpectNothingOutside(true);
}

TEST_P(HostileCorpusTest, FixBatch) {
    RunBatch(BatchMode::BuildFix);
    if (GetParam().mode1 == EntryOutcome::Fails) return ExpectUntouched();
    EXPECT_EQ(host_.checked, std::vector<int>{1}) << host_.failures.at(0);
    EXPECT_TRUE(Holds(jar_, "br\\BookReader.class"));
    const std::string descriptor = ReadFile(jad_);
    EXPECT_NE(descriptor.find("\r\nMIDlet-1: Game,,br.BookReader\r\n"), std::string::npos) << descriptor;
    EXPECT_NE(descriptor.find(JarSizeAndUrlLines(jar_)), std::string::npos) << descriptor;
    ExpectNothingOutside(true);
}

// The case as the checked API archive of a sound suite: the suite succeeds
// and gets the archive or, when it gave fewer files than it lists (names no
// JAR can carry aside) or none, nothing of it: it is reported as left out.
TEST_P(HostileCorpusTest, AsTheApiArchiveOfASoundSuite) {
    WriteFile(environment_.apiFolder() / "api.zip", original_);
    WriteFile(jar_, SoundSuiteBytes());
    std::int32_t files = 0, listed = 0;
    if (GetParam().reader == ReaderOutcome::Lists) {
        files =
            ExtractFromArchive(host_.zip, "*", target_.string() + "/", (environment_.apiFolder() / "api.zip").string());
        fs::current_path(work_.path());
        for (const std::string& name : EntryNames(environment_.apiFolder() / "api.zip"))
            listed +=
                (name.empty() || name.back() != '\\') && IsWellFormedUtf8(name) && name.find('\0') == std::string::npos;
    }
    host_.mode = BatchMode::GenerateJad;
    host_.Run({jar_});
    EXPECT_EQ(host_.checked, std::vector<int>{1}) << host_.failures.at(0);
    EXPECT_EQ(host_.apiFailures.size(), GetParam().reader != ReaderOutcome::Lists || files < listed ? 1u : 0u)
        << ::testing::PrintToString(host_.apiFailures);
    if (host_.apiFailures.empty())
        EXPECT_GE(EntryNames(jar_).size(), 3u);
    else
        EXPECT_TRUE(ReadFile(jar_) == SoundSuiteBytes()) << "the suite got files of a broken API archive";
    EXPECT_NE(ReadFile(jad_).find(JarSizeAndUrlLines(jar_)), std::string::npos);
}

// What the fuzz targets check of any input holds for every case: a broken
// invariant aborts the test with its message.
TEST_P(HostileCorpusTest, FuzzTargetInvariantsHold) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(original_.data());
    fuzz::CheckDirectoryReader(data, original_.size());
    fuzz::CheckExtractEngine(data, original_.size());
    fuzz::CheckTextForm(data, original_.size());
    EXPECT_TRUE(ReadFile(jar_) == original_) << "the suite was changed";
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileCorpusTest, ::testing::ValuesIn(HostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& row) { return row.param.name; });

}  // namespace
}  // namespace vorlan::test
