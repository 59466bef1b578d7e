// SPDX-License-Identifier: MIT
// The fix template and the sample suite: what phones need of them, and that
// data/make-jars.sh rebuilds the committed files byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

const fs::path kData = fs::path(VORLAN_SOURCE_DIR) / "data";

// Class files for CLDC 1.1 phones: version 45.3.
void ExpectClassVersion453(const fs::path& jar, const std::string& entry) {
    const std::string content = ArchiveEntry(jar, entry);
    ASSERT_GE(content.size(), 8u) << entry;
    EXPECT_EQ(content.substr(0, 8), std::string("\xCA\xFE\xBA\xBE\x00\x03\x00\x2D", 8)) << entry;
}

struct SuiteCase {
    std::string path;        // below data/
    std::string midletLine;  // the MIDlet-1 attribute Java must read
};

class CommittedSuiteTest : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(CommittedSuiteTest, ManifestFirstClassesForCldcAndReadableByJava) {
    const fs::path jar = kData / GetParam().path;
    const std::vector<std::string> names = ArchiveNames(jar);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "META-INF/MANIFEST.MF");
    int classes = 0;
    for (const std::string& name : names) {
        if (name.size() < 6 || name.substr(name.size() - 6) != ".class") continue;
        ++classes;
        EXPECT_EQ(name.rfind("java", 0), std::string::npos) << "a stub was packed: " << name;
        ExpectClassVersion453(jar, name);
    }
    EXPECT_GT(classes, 0);
    EXPECT_TRUE(UnzipTestPasses(jar));
    const std::vector<std::string> attributes = JavaReadManifest(jar);
    for (const char* expected : {"MicroEdition-Profile: MIDP-2.0", "MicroEdition-Configuration: CLDC-1.1"})
        EXPECT_NE(std::find(attributes.begin(), attributes.end(), expected), attributes.end()) << expected;
    EXPECT_NE(std::find(attributes.begin(), attributes.end(), GetParam().midletLine), attributes.end());
}

INSTANTIATE_TEST_SUITE_P(Data, CommittedSuiteTest,
                         ::testing::Values(SuiteCase{"fix.jar", "MIDlet-1: BookReader,,br.BookReader"},
                                           SuiteCase{"samples/Hello.jar", "MIDlet-1: Hello,,sample.Hello"}));

TEST(FixTemplateTest, TheBuildPutsTheCommittedTemplateBesideThePrograms) {
    EXPECT_EQ(ReadFile(fs::path(VORLAN_BIN_DIR) / "fix.jar"), ReadFile(kData / "fix.jar"));
    EXPECT_TRUE(fs::is_directory(fs::path(VORLAN_BIN_DIR) / "API"));
}

TEST(FixTemplateTest, TheScriptRebuildsTheCommittedJarsByteForByte) {
    if (!ToolAvailable("ecj")) GTEST_SKIP() << "ecj is not installed";
    TempDir out;
    const CommandResult build = RunCommand({(kData / "make-jars.sh").string(), out.str()});
    ASSERT_EQ(build.status, 0) << build.output << build.errors;
    EXPECT_EQ(ReadFile(out / "fix.jar"), ReadFile(kData / "fix.jar"));
    EXPECT_EQ(ReadFile(out / "samples/Hello.jar"), ReadFile(kData / "samples/Hello.jar"));
}

}  // namespace
}  // namespace vorlan::test
