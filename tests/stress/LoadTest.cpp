// SPDX-License-Identifier: MIT
// Load: a batch of ten thousand suites peaks at about the memory of one of a
// thousand. (That no batch leaves a descriptor open, the hostile corpus tests
// see for every case in both modes.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>

#include "tests/hostile/HostileCases.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

std::string SmallSuite(int number) {
    const std::string name = "Game" + std::to_string(number);
    return ZipArchive{"",
                      {StoredEntry("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMIDlet-Name: " + name +
                                                               "\r\nMIDlet-Version: 1.0\r\nMIDlet-1: " + name +
                                                               ", /i.png, game.Main\r\n"),
                       StoredEntry("game/Main.class", "class bytes of " + name)}}
        .bytes();
}

// count suites in folder, each with its own manifest, and the arguments
// that name them (relative: ten thousand absolute paths are long).
std::vector<std::string> MakeSuites(const fs::path& folder, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("s" + std::to_string(100000 + i) + ".jar");
        WriteFile(folder / names.back(), SmallSuite(i));
    }
    return names;
}

ChildResult RunBatchOver(const fs::path& folder, int count) {
    fs::create_directories(folder / "runtime");
    WriteFile(folder / "API/api.zip", ApiArchiveBytes());
    std::vector<std::string> argv{VorlanBatchProgram(), "--api-dir", "API", "--api", "api.zip"};
    for (const std::string& name : MakeSuites(folder, count)) argv.push_back(name);
    ChildOptions options;
    options.measurePeakMemory = true;
    options.workDir = folder;
    options.environment["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    return RunChild(argv, options);
}

TEST(Load, TenThousandSuitesPeakAtTheMemoryOfAThousand) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under AddressSanitizer the peak measures its quarantine and shadow memory, not Vorlan";
#endif
    TempDir work;
    const ChildResult thousand = RunBatchOver(work / "thousand", 1000);
    const ChildResult tenThousand = RunBatchOver(work / "ten-thousand", 10000);
    ASSERT_EQ(thousand.status, 0) << thousand.errors.substr(0, 2000);
    ASSERT_EQ(tenThousand.status, 0) << tenThousand.errors.substr(0, 2000);
    EXPECT_TRUE(fs::exists(work / "ten-thousand/s109999.jad"));
    std::cout << "peak memory: 1,000 suites " << thousand.peakMemoryKb << " KiB, 10,000 suites "
              << tenThousand.peakMemoryKb << " KiB\n";
    RecordProperty("peak_kib_1000", static_cast<int>(thousand.peakMemoryKb));
    RecordProperty("peak_kib_10000", static_cast<int>(tenThousand.peakMemoryKb));
    // The list of ten thousand paths, and the folder index, cost a few
    // hundred bytes a suite; anything kept per suite beyond that shows.
    EXPECT_LT(tenThousand.peakMemoryKb, thousand.peakMemoryKb * 3 / 2 + 8 * 1024);
}

}  // namespace
}  // namespace vorlan::test
