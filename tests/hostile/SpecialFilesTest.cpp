// SPDX-License-Identifier: MIT
// Things that are not files named where a suite is expected: a FIFO, a
// folder and a device. The batch of either mode, and either engine called
// directly, refuse each of them at once; none blocks waiting for a writer
// or reads endless data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engines/CallbackChannel.h"
#include "engines/ExtractOperation.h"
#include "engines/UpdateOperation.h"
#include "tests/hostile/HostileCases.h"
#include "tests/support/BatchEnvironment.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

std::int32_t Quiet(CallbackRecord*) {
    return 0;
}

class SpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
        fs::create_directories(folder_);
        fs::create_symlink("/dev/zero", device_);
        WriteFile(environment_.apiFolder() / "api.zip", ApiArchiveBytes());
        host_.apis = {"api.zip"};
        host_.checkedApis = {"api.zip"};
    }

    TempDir work_;
    BatchEnvironment environment_{work_ / "env"};
    fs::path fifo_ = work_ / "pipe.jar";
    fs::path folder_ = work_ / "folder.jar";
    fs::path device_ = work_ / "zero.jar";  // a link to /dev/zero
    RecordingBatchHost host_;
};

TEST_F(SpecialFiles, TheBatchOfEitherModeRefusesThem) {
    for (const BatchMode mode : {BatchMode::GenerateJad, BatchMode::BuildFix}) {
        host_.mode = mode;
        host_.Run({fifo_, folder_, device_});
        EXPECT_EQ(host_.checked, (std::vector<int>{0, 0, 0}));
    }
    for (const char* descriptor : {"pipe.jad", "folder.jad", "zero.jad"}) EXPECT_FALSE(fs::exists(work_ / descriptor));
    EXPECT_TRUE(fs::is_fifo(fifo_));
    EXPECT_TRUE(fs::is_empty(folder_));
}

// The fix reads a descriptor it is given whole: one that is a FIFO is
// refused at once, never opened to wait for a writer.
TEST_F(SpecialFiles, AFixFromADescriptorThatIsAFifoDoesNotWait) {
    const fs::path descriptor = work_ / "descriptor.jad";
    ASSERT_EQ(mkfifo(descriptor.c_str(), 0600), 0);
    host_.mode = BatchMode::BuildFix;
    host_.Run({descriptor});
    EXPECT_EQ(host_.checked, (std::vector<int>{0}));
    EXPECT_TRUE(fs::is_fifo(descriptor));
    EXPECT_FALSE(fs::exists(work_ / "descriptor.jar"));
}

TEST_F(SpecialFiles, TheEnginesRefuseThemWithoutWaiting) {
    const fs::path target = work_ / "target";
    fs::create_directories(target);
    fs::current_path(target);
    for (const fs::path& path : {fifo_, folder_, device_}) {
        const std::string name = path.string();
        TUnzipFileSpec everything{};
        everything.FileSpec = "*";
        TUnzipParams extract{};
        extract.ZipFileName = name.c_str();
        extract.FileSpecs = &everything;
        extract.FileSpecCount = 1;
        engine::CallbackChannel channel(Quiet, nullptr);
        EXPECT_EQ(engine::RunExtraction(extract, channel), 0) << name;
        TZipFileSpec file{};
        file.FileSpec = "*";
        TZipParams add{};
        add.ZipFileName = name.c_str();
        add.AddFiles = -1;
        add.FileSpecs = &file;
        add.FileSpecCount = 1;
        EXPECT_EQ(engine::RunUpdate(add, channel), 0) << name;
    }
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_TRUE(fs::is_fifo(fifo_));
}

}  // namespace
}  // namespace vorlan::test
