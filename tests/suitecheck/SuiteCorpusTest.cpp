// SPDX-License-Identifier: MIT
// The corpus of real-world suite shapes through both modes of the built
// vorlan-batch: every JAD and JAR written passes the J2ME toolkit's checks,
// and --check gives the toolkit's installer verdict on every suite.
#include <gtest/gtest.h>

#include "tests/support/SuiteCorpus.h"

namespace vorlan::test {
namespace {

class SuiteCorpusTest : public ::testing::TestWithParam<CorpusSuite> {
protected:
    void SetUp() override { VORLAN_J2ME_CHECK_SCRIPT_OR_SKIP(script_); }

    // A copy of the input folder in which vorlan-batch runs on one file.
    fs::path RunBatch(const fs::path& from, const std::string& folderName, const std::string& mode,
                      const std::string& file) {
        const fs::path folder = work_ / folderName;
        fs::copy(from, folder, fs::copy_options::recursive);
        const CommandResult result = RunCommand({VorlanBatchProgram(), "--mode", mode, file}, folder);
        EXPECT_EQ(result.status, 0) << folderName << ": " << result.output;
        return folder;
    }

    // The toolkit's verdict on the suite, and --check's on the same suite.
    void ExpectAgreement(const fs::path& suite, bool mustPass) {
        const CommandResult toolkit = RunCommand({script_, suite.string()});
        const CommandResult check = RunCommand({VorlanBatchProgram(), "--check", suite.string()});
        const bool installerPasses = toolkit.output.find("PASS installer") != std::string::npos;
        EXPECT_EQ(check.status == 0, installerPasses) << suite << "\n" << toolkit.output << check.output;
        if (mustPass) {
            EXPECT_EQ(toolkit.status, 0) << suite << "\n" << toolkit.output;
        }
    }

    // A written suite: its JAD, and its JAR alone.
    void ExpectWrittenSuitePasses(const fs::path& jad) {
        ExpectAgreement(jad, true);
        fs::path jar = jad;
        ExpectAgreement(jar.replace_extension(".jar"), true);
    }

    // What Java reads from a fix JAR's manifest is what its JAD lists.
    void ExpectFixManifestIsTheJad(const fs::path& jad) {
        fs::path jar = jad;
        const std::vector<std::string> read = JavaReadManifest(jar.replace_extension(".jar"));
        std::vector<std::string> listed;
        for (std::string line : OutputLines(ReadFile(jad))) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line.rfind("MIDlet-Jar-", 0) != 0) listed.push_back(line);
        }
        std::vector<std::string> readListed;
        for (const std::string& line : read)
            if (line.rfind("MIDlet-Jar-", 0) != 0) readListed.push_back(line);
        EXPECT_EQ(readListed, listed) << jad;
    }

    std::string script_;
    TempDir work_;
};

TEST_P(SuiteCorpusTest, BothModesWriteSuitesAnInstallerTakes) {
    const CorpusSuite& suite = GetParam();
    const fs::path input = WriteCorpusSuite(suite, work_ / "input");
    ExpectAgreement(input, true);
    const std::string jad = suite.name + ".jad";
    const std::string jar = suite.name + ".jar";

    const fs::path generated = RunBatch(work_ / "input", "mode0", "0", jar);
    ExpectWrittenSuitePasses(generated / jad);

    const fs::path fixedFromGenerated = RunBatch(generated, "mode0then1", "1", jad);
    ExpectWrittenSuitePasses(fixedFromGenerated / jad);
    ExpectFixManifestIsTheJad(fixedFromGenerated / jad);

    const fs::path fixed = RunBatch(work_ / "input", "mode1", "1", input.filename().string());
    ExpectWrittenSuitePasses(fixed / jad);
    ExpectFixManifestIsTheJad(fixed / jad);
}

INSTANTIATE_TEST_SUITE_P(Corpus, SuiteCorpusTest, ::testing::ValuesIn(CorpusSuites()),
                         [](const ::testing::TestParamInfo<CorpusSuite>& param) { return param.param.name; });

}  // namespace
}  // namespace vorlan::test
