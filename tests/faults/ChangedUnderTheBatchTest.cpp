// SPDX-License-Identifier: MIT
// Suites changed between the list being made and the batch reaching them:
// made read-only, removed, or replaced by a folder while the batch works on
// the entry before. Each such entry fails and nothing is written in its place;
// the entries around it complete. And suites that cannot be completed once
// the new JAR is made (a descriptor that cannot be replaced, the component
// failing after the add): the JAR and the descriptor stay byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "tests/hostile/HostileCases.h"
#include "tests/support/BatchEnvironment.h"
#include "tests/support/TestTools.h"
#include "zip/ZipTypes.h"

namespace vorlan::test {
namespace {

class ChangedUnderTheBatch : public ::testing::TestWithParam<BatchMode> {
protected:
    void SetUp() override {
        for (const char* name : {"a.jar", "readonly.jar", "removed.jar", "folder.jar", "z.jar"})
            WriteFile(suites_ / name, SoundSuiteBytes());
        WriteFile(environment_.apiFolder() / "api.zip", ApiArchiveBytes());
        host_.apis = {"api.zip"};
        host_.checkedApis = {"api.zip"};
        host_.mode = GetParam();
        // Once the first entry is done, the next three change under the batch.
        host_.beforeEntry = [this](int index) {
            if (index != 1) return;
            fs::permissions(suites_ / "readonly.jar",
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            fs::remove(suites_ / "removed.jar");
            fs::remove(suites_ / "folder.jar");
            fs::create_directory(suites_ / "folder.jar");
        };
    }

    TempDir work_;
    BatchEnvironment environment_{work_ / "env"};
    fs::path suites_ = work_ / "suites";
    RecordingBatchHost host_;
};

TEST_P(ChangedUnderTheBatch, ChangedEntriesFailAndStayAsTheyAre) {
    host_.Run({suites_ / "a.jar", suites_ / "readonly.jar", suites_ / "removed.jar", suites_ / "folder.jar",
               suites_ / "z.jar"});
    EXPECT_EQ(host_.checked, (std::vector<int>{1, 0, 0, 0, 1}));
    EXPECT_TRUE(ReadFile(suites_ / "readonly.jar") == SoundSuiteBytes()) << "the read-only suite was changed";
    struct stat status {};
    ASSERT_EQ(::stat((suites_ / "readonly.jar").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444u);
    EXPECT_TRUE(fs::is_directory(suites_ / "folder.jar"));
    EXPECT_TRUE(fs::is_empty(suites_ / "folder.jar"));
    EXPECT_EQ(TreeBelow(suites_),
              (std::vector<std::string>{"a.jad", "a.jar", "folder.jar/", "readonly.jar", "z.jad", "z.jar"}));
    for (int failed : {1, 2, 3}) EXPECT_NE(host_.failures.at(static_cast<std::size_t>(failed)), "");
}

enum class Blocker { ReadOnlyDescriptor, DescriptorIsAFolder, ImmutableDescriptor, ComponentFailsAfterTheAdd };

struct BlockedCase {
    BatchMode mode;
    Blocker blocker;
};

void PrintTo(const BlockedCase& blocked, std::ostream* out) {
    static const char* const kBlockers[] = {"read-only descriptor", "descriptor is a folder", "immutable descriptor",
                                            "component fails after the add"};
    *out << (blocked.mode == BatchMode::GenerateJad ? "mode 0, " : "mode 1, ")
         << kBlockers[static_cast<int>(blocked.blocker)];
}

class BlockedSuite : public ::testing::TestWithParam<BlockedCase> {
protected:
    void TearDown() override {
        if (immutable_ && std::system(("chattr -i '" + (suites_ / "g.jad").string() + "'").c_str()) != 0)
            ADD_FAILURE() << "the immutable descriptor stays behind";
    }

    // Blocks the suite's descriptor (or the component) as the case says;
    // false when this system cannot (chattr refused).
    bool Block() {
        const fs::path jad = suites_ / "g.jad";
        switch (GetParam().blocker) {
            case Blocker::ReadOnlyDescriptor:
                fs::permissions(jad, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
                return true;
            case Blocker::DescriptorIsAFolder:
                fs::remove(jad);
                fs::create_directory(jad);
                return true;
            case Blocker::ImmutableDescriptor:
                immutable_ = std::system(("chattr +i '" + jad.string() + "' 2>/dev/null").c_str()) == 0;
                return immutable_;
            case Blocker::ComponentFailsAfterTheAdd:
                // The component reads the archive's directory again after
                // the add; here that reading fails, as it does for an archive
                // whose sizes the engine and the component read differently.
                // The third opening: the manifest's reading, the add's
                // opening, then the reading after the add.
                host_.zip.OnContentsChanged = [this](TZip& zip) {
                    if (zip.ZipFileName().find("g.jar") == std::string::npos &&
                        zip.ZipFileName().find("fix-suite.jar") == std::string::npos)
                        return;
                    if (++openings_ == 3) throw ZipException("Error reading 'CentralFileHeader'!");
                };
                return true;
        }
        return false;
    }

    TempDir work_;
    BatchEnvironment environment_{work_ / "env"};
    fs::path suites_ = work_ / "suites";
    RecordingBatchHost host_;
    bool immutable_ = false;
    int openings_ = 0;
};

TEST_P(BlockedSuite, NeitherTheJarNorTheDescriptorChanges) {
    WriteFile(suites_ / "g.jar", SoundSuiteBytes());
    WriteFile(suites_ / "g.jad", "MIDlet-Name: G\r\nMIDlet-Jar-Size: 1\r\n");
    WriteFile(environment_.apiFolder() / "api.zip", ApiArchiveBytes());
    host_.apis = {"api.zip"};
    host_.checkedApis = {"api.zip"};
    host_.mode = GetParam().mode;
    if (!Block()) GTEST_SKIP() << "chattr +i is not available here";
    const std::vector<std::string> listing = TreeBelow(suites_);
    const std::string descriptor = fs::is_directory(suites_ / "g.jad") ? "" : ReadFile(suites_ / "g.jad");
    host_.Run({suites_ / "g.jar"});
    EXPECT_EQ(host_.checked, std::vector<int>{0});
    EXPECT_TRUE(ReadFile(suites_ / "g.jar") == SoundSuiteBytes()) << "the JAR was changed";
    if (!descriptor.empty()) {
        EXPECT_EQ(ReadFile(suites_ / "g.jad"), descriptor);
    }
    EXPECT_EQ(TreeBelow(suites_), listing);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlockedSuite, ::testing::ValuesIn([] {
                             std::vector<BlockedCase> cases;
                             for (const BatchMode mode : {BatchMode::GenerateJad, BatchMode::BuildFix})
                                 for (const Blocker blocker :
                                      {Blocker::ReadOnlyDescriptor, Blocker::DescriptorIsAFolder,
                                       Blocker::ImmutableDescriptor, Blocker::ComponentFailsAfterTheAdd})
                                     cases.push_back({mode, blocker});
                             return cases;
                         }()));

INSTANTIATE_TEST_SUITE_P(Modes, ChangedUnderTheBatch, ::testing::Values(BatchMode::GenerateJad, BatchMode::BuildFix),
                         [](const ::testing::TestParamInfo<BatchMode>& mode) {
                             return mode.param == BatchMode::GenerateJad ? "GenerateJad" : "BuildFix";
                         });

}  // namespace
}  // namespace vorlan::test
