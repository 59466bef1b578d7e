// SPDX-License-Identifier: MIT
// Manifests that inflate to gigabytes, in a JAR of two megabytes: 2 GiB of
// zeros stated honestly, stated as a hundred bytes, stated just below the
// extraction's 64 MiB cap, and 16 MiB of bare line breaks. vorlan-batch runs
// under a file-size limit just above the cap, so that a single file written
// past it would end the run with SIGXFSZ. Each suite is refused, stays as it
// was, gets no descriptor, and the run's peak memory stays small.
#include <gtest/gtest.h>
#include <signal.h>

#include <iostream>

#include "tests/hostile/HostileCases.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

constexpr std::uint32_t kTwoGibInMib = 2048;
constexpr unsigned long kFileSizeLimit = 65ul << 20;  // the 64 MiB cap and a MiB to spare
constexpr long kPeakMemoryLimitKb = 300 * 1024;

struct Inflating {
    const char* name;
    std::uint32_t statedSize;  // in the headers
};

std::string SuiteWithZeroManifest(const Inflating& manifest) {
    ZipEntry entry = StoredEntry("META-INF/MANIFEST.MF", "");
    entry.method = 8;
    entry.data = DeflatedZeros(kTwoGibInMib);
    entry.uncompressedSize = manifest.statedSize;
    entry.crc = CrcOfZeros(kTwoGibInMib);
    return ZipArchive{"", {entry, StoredEntry("game/Main.class", "class")}}.bytes();
}

std::string SuiteWithLineBreakManifest() {
    ZipEntry entry = StoredEntry("META-INF/MANIFEST.MF", std::string(16u << 20, '\n'));
    entry.method = 8;
    entry.data = RawDeflate(entry.content);
    return ZipArchive{"", {entry, StoredEntry("game/Main.class", "class")}}.bytes();
}

class GigabyteManifest : public ::testing::TestWithParam<int> {
protected:
    void Expect(const std::string& suite, const std::string& what) {
        const fs::path jar = work_ / "Bomb.jar";
        WriteFile(jar, suite);
        WriteFile(work_ / "API/api.zip", ApiArchiveBytes());
        fs::create_directories(work_ / "runtime");
        ChildOptions options;
        options.measurePeakMemory = true;
        options.workDir = work_.path();
        options.environment["XDG_RUNTIME_DIR"] = (work_ / "runtime").string();
        options.fileSizeLimit = kFileSizeLimit;
        const std::string mode = std::to_string(GetParam());
        const ChildResult result = RunChild(
            {VorlanBatchProgram(), "--mode", mode, "--api-dir", "API", "--api", "api.zip", "Bomb.jar"}, options);
        std::cout << what << ", mode " << mode << ": peak memory " << result.peakMemoryKb << " KiB\n";
        EXPECT_NE(result.signal, SIGXFSZ) << what << ": a file was written past the cap";
        EXPECT_EQ(result.status, 1) << what << "\n" << result.errors;
        EXPECT_NE(result.output.find("[ ] Bomb.jar"), std::string::npos) << result.output;
        EXPECT_TRUE(ReadFile(jar) == suite) << what << ": the suite was changed";
        EXPECT_FALSE(fs::exists(work_ / "Bomb.jad"));
        EXPECT_LT(result.peakMemoryKb, kPeakMemoryLimitKb) << what;
        EXPECT_TRUE(fs::is_empty(work_ / "runtime")) << what << ": the scratch root stayed";
    }

    TempDir work_;
};

TEST_P(GigabyteManifest, IsRefusedWithoutFillingDiskOrMemory) {
    for (const Inflating& manifest :
         {Inflating{"2 GiB stated as 2 GiB", 0x80000000u}, Inflating{"2 GiB stated as 100 bytes", 100},
          Inflating{"2 GiB stated as 63 MiB", 63u << 20}})
        Expect(SuiteWithZeroManifest(manifest), manifest.name);
}

TEST_P(GigabyteManifest, SixteenMebibytesOfLineBreaksAreRefused) {
    Expect(SuiteWithLineBreakManifest(), "16 MiB of line breaks");
}

INSTANTIATE_TEST_SUITE_P(Modes, GigabyteManifest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& mode) { return "Mode" + std::to_string(mode.param); });

}  // namespace
}  // namespace vorlan::test
