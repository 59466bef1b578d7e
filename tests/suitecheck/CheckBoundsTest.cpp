// SPDX-License-Identifier: MIT
// vorlan-batch --check over suites built to exhaust memory and time, each
// run with its address space limited to 64 MiB (ulimit -v): every suite is
// reported broken for what it is, the run ends with its summary, and the
// peak stays below the limit. The time each may take is the ctest timeout.
// Under the sanitizers (whose shadow memory no such limit allows) the
// findings are checked without the limit.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/ChildProcess.h"
#include "tests/support/SuiteCorpus.h"
#include "tests/support/TestTools.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {
namespace {

#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr unsigned long kAddressSpace = 64ul << 20;
constexpr std::uint32_t kFourGibDeclared = 0xFFFFFFF0u;  // all ones would defer to a Zip64 field

const std::string kManifest =
    "Manifest-Version: 1.0\r\nMIDlet-Name: Bomb\r\nMIDlet-Vendor: Games\r\nMIDlet-Version: 1.0\r\n"
    "MIDlet-1: Bomb, , game.Main\r\nMicroEdition-Configuration: CLDC-1.1\r\nMicroEdition-Profile: MIDP-2.0\r\n";

ZipEntry ZerosEntry(const std::string& name, std::uint32_t mebibytes) {
    ZipEntry entry = StoredEntry(name, "");
    entry.method = 8;
    entry.data = DeflatedZeros(mebibytes);
    entry.crc = CrcOfZeros(mebibytes);
    entry.uncompressedSize = mebibytes << 20;
    return entry;
}

ZipEntry DeclaredHuge(const std::string& name) {
    ZipEntry entry = DeflatedEntry(name, "tiny");
    entry.uncompressedSize = kFourGibDeclared;
    return entry;
}

std::vector<ZipEntry> Suite(std::vector<ZipEntry> more) {
    more.insert(more.begin(), StoredEntry("META-INF/MANIFEST.MF", kManifest));
    more.push_back(StoredEntry("game/Main.class", MidletClassFile("game.Main")));
    return more;
}

struct Hostile {
    const char* name;
    std::function<std::string()> build;
    std::vector<std::string> expected;  // findings, each a line of the output
    const char* absent = nullptr;       // text no line may hold
};

void PrintTo(const Hostile& hostile, std::ostream* out) {
    *out << hostile.name;
}

std::string HundredRecordsOnOneEntry() {
    std::vector<ZipEntry> entries{ZerosEntry("res/big.bin", 256)};
    ZipEntry again = entries.front();
    again.writeLocalRecord = false;
    again.localHeaderOffset = 0;
    entries.insert(entries.end(), 99, again);
    entries.push_back(StoredEntry("META-INF/MANIFEST.MF", kManifest));
    entries.push_back(StoredEntry("game/Main.class", MidletClassFile("game.Main")));
    return ZipArchive{"", entries}.bytes();
}

class CheckBoundsTest : public ::testing::TestWithParam<Hostile> {
protected:
    ChildResult Check(const std::vector<std::string>& files) {
        ChildOptions options;
        options.workDir = dir_.path();
        options.measurePeakMemory = !kSanitized;
        if (!kSanitized) options.addressSpaceLimit = kAddressSpace;
        std::vector<std::string> arguments{"--check"};
        arguments.insert(arguments.end(), files.begin(), files.end());
        const ChildResult result = RunChild(VorlanBatchCommand(arguments), options);
        EXPECT_EQ(result.signal, 0) << result.errors;
        if (!kSanitized) {
            EXPECT_LT(result.peakMemoryKb, static_cast<long>(kAddressSpace >> 10));
        }
        return result;
    }

    TempDir dir_;
};

TEST_P(CheckBoundsTest, IsReportedWithinTheBounds) {
    const Hostile& hostile = GetParam();
    WriteFile(dir_ / "Bomb.jar", hostile.build());
    const ChildResult result = Check({"Bomb.jar"});
    EXPECT_EQ(result.status, 1) << result.output << result.errors;
    for (const std::string& finding : hostile.expected)
        EXPECT_NE(result.output.find("Bomb.jar: " + finding + "\n"), std::string::npos) << finding << "\n"
                                                                                        << result.output;
    if (hostile.absent != nullptr) {
        EXPECT_EQ(result.output.find(hostile.absent), std::string::npos) << result.output;
    }
    EXPECT_EQ(result.output.find("out of memory"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("1 suite checked: 0 would install, 1 would not"), std::string::npos) << result.output;
}

INSTANTIATE_TEST_SUITE_P(
    Suites, CheckBoundsTest,
    ::testing::Values(
        Hostile{
            "FourGibDeclaredInAKilobyte",
            [] {
                return ZipArchive{"", Suite({DeclaredHuge("res/data.bin"), DeclaredHuge("game/Big.class")})}.bytes();
            },
            {"ZIP_FORMAT: the entry res/data.bin cannot be read: it takes the suite's entries past 512 MiB, more "
             "than a phone holds",
             "ZIP_FORMAT: the entry game/Big.class cannot be read: it is 4294967280 bytes, more than the 16 MiB "
             "a manifest or class file may take"}},
        Hostile{"FourRealHalfGibClasses",
                [] {
                    return ZipArchive{"", Suite({ZerosEntry("a/A.class", 512), ZerosEntry("a/B.class", 512),
                                                 ZerosEntry("a/C.class", 512), ZerosEntry("a/D.class", 512)})}
                        .bytes();
                },
                {"ZIP_FORMAT: the entry a/A.class cannot be read: it is 536870912 bytes, more than the 16 MiB a "
                 "manifest or class file may take",
                 "ZIP_FORMAT: the entry a/D.class cannot be read: it is 536870912 bytes, more than the 16 MiB a "
                 "manifest or class file may take"}},
        // The data of all hundred records is inflated once and sound.
        Hostile{"HundredRecordsOnOneQuarterGibEntry",
                HundredRecordsOnOneEntry,
                {"ZIP_FORMAT: the entry res/big.bin is stored twice"},
                "cannot be read"},
        Hostile{"GibManifest",
                [] {
                    return ZipArchive{"", {ZerosEntry("META-INF/MANIFEST.MF", 1024)}}.bytes();
                },
                {"ZIP_FORMAT: the entry META-INF/MANIFEST.MF cannot be read: it is 1073741824 bytes, more than the "
                 "16 MiB a manifest or class file may take"}}),
    [](const auto& row) { return std::string(row.param.name); });

// A manifest within the size limit whose attributes outgrow the memory at
// hand fails its own suite; the suites around it are checked, also those
// checked beside it while it took the memory, and the run ends with its
// summary.
TEST_F(CheckBoundsTest, RunningOutOfMemoryFailsThatSuiteOnly) {
    if (kSanitized) GTEST_SKIP() << "the sanitizers' memory takes no address-space limit";
    std::string manifest = kManifest;
    while (manifest.size() < (15u << 20)) manifest += "X: y\r\n";
    WriteFile(dir_ / "Many.jar", ZipArchive{"",
                                            {DeflatedEntry("META-INF/MANIFEST.MF", manifest),
                                             StoredEntry("game/Main.class", MidletClassFile("game.Main"))}}
                                     .bytes());
    WriteFile(dir_ / "A.jar", ZipArchive{"", Suite({})}.bytes());
    std::vector<std::string> files{"A.jar", "Many.jar"};
    constexpr int kSuitesAfter = 24;
    for (int i = 0; i < kSuitesAfter; ++i) {
        std::string anotherSuite = kManifest;  // not a duplicate of A.jar, nor of each other
        anotherSuite.replace(anotherSuite.find("Name: Bomb"), 10, "Name: Calm" + std::to_string(i));
        files.push_back("Z" + std::to_string(i) + ".jar");
        WriteFile(dir_ / files.back(), SnakeJar(anotherSuite));
    }
    const ChildResult result = Check(files);
    EXPECT_EQ(result.status, 1) << result.errors;
    EXPECT_EQ(result.output,
              "Many.jar: SUITE_FILE: the check ran out of memory; the suite was not checked to the end\n"
              "26 suites checked: 25 would install, 1 would not install, 0 would install but not start (1 errors, "
              "0 warnings)\n");
}

}  // namespace
}  // namespace vorlan::test
