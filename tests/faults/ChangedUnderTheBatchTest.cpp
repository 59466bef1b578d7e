// Suites changed between the list being made and the batch reaching them:
// made read-only, removed, or replaced by a folder while the batch works on
// the entry before. Each such entry fails and nothing is written in its place;
// the entries around it complete.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/hostile/BatchEnvironment.h"
#include "tests/hostile/HostileCases.h"
#include "tests/support/TestTools.h"

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
        // While the first entry is done, the next three change under the batch.
        host_.afterEntry = [this](int index) {
            if (index != 0) return;
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

INSTANTIATE_TEST_SUITE_P(Modes, ChangedUnderTheBatch, ::testing::Values(BatchMode::GenerateJad, BatchMode::BuildFix),
                         [](const ::testing::TestParamInfo<BatchMode>& mode) {
                             return mode.param == BatchMode::GenerateJad ? "GenerateJad" : "BuildFix";
                         });

}  // namespace
}  // namespace vorlan::test
