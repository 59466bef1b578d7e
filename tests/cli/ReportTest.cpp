// SPDX-License-Identifier: MIT
// vorlan-batch --report: the records read back with Python's json and csv
// modules and held against the output lines, the files on disk and their
// hashes, in both formats, with one process and with workers.
#include <gtest/gtest.h>

#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

// Reads a report with Python's own modules and prints one line per record:
// "[x] PATH|mode|name/vendor/version|before|after|apis|findings|warnings",
// where before and after say whether the hash is absent ("none"), that of
// the file in the folder given ("ok") or not ("wrong"). Paths keep their
// \xNN escapes in the line; the files are found by the bytes they stand for.
constexpr const char* kReadReport = R"(
import csv, hashlib, json, os, re, sys
report, before, after = sys.argv[1:4]
def records():
    if report.endswith('.csv'):
        with open(report, newline='', encoding='utf-8') as f:
            for r in csv.DictReader(f):
                for k in ('apis_added', 'findings', 'warnings'):
                    r[k] = r[k].split('\n') if r[k] else []
                r['findings'] = [x.split(': ')[0] for x in r['findings']]
                for k in ('jar_sha256_before', 'jar_sha256_after', 'jar_size_before', 'jar_size_after'):
                    r[k] = r[k] or None
                yield r
    else:
        with open(report, encoding='utf-8') as f:
            for line in f:
                r = json.loads(line)
                r['findings'] = [x['rule'] for x in r['findings']]
                yield r
def hashed(folder, r, key):
    digest, size = r['jar_sha256_' + key], r['jar_size_' + key]
    if digest is None: return 'none'
    name = re.sub(rb'\\x([0-9A-F]{2})', lambda m: bytes([int(m[1], 16)]), r['path'].encode())
    data = open(os.path.join(folder.encode(), name), 'rb').read()
    return 'ok' if hashlib.sha256(data).hexdigest() == digest and len(data) == int(size) else 'wrong'
for r in records():
    print('%s %s|%s|%s/%s/%s|%s|%s|%s|%s|%d' % ('[x]' if r['result'] == 'ok' else '[ ]', r['path'], r['mode'],
          r['midlet_name'], r['midlet_vendor'], r['midlet_version'], hashed(before, r, 'before'),
          hashed(after, r, 'after'), ','.join(r['apis_added']), ','.join(r['findings']), len(r['warnings'])))
)";

// The records of the report, as kReadReport prints them.
std::vector<std::string> ReportLines(const fs::path& report, const fs::path& before, const fs::path& after) {
    const CommandResult read = RunCommand({"python3", "-c", kReadReport, report.string(), before, after});
    EXPECT_EQ(read.status, 0) << read.output;
    return OutputLines(read.output);
}

// How many warnings vorlan-batch printed about the file.
int WarningsAbout(const std::string& errors, const std::string& shown) {
    int count = 0;
    for (const std::string& line : OutputLines(errors))
        count += line.starts_with("vorlan-batch: warning: " + shown + ": ");
    return count;
}

const std::string kNotUtf8 = "b\xFF.jar";

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"API", "games"}) fs::create_directories(work_ / folder);
        PackWith("zip", {{"api/Api.class", "api"}}, work_ / "API" / "api.zip");
        const std::string manifest = "MIDlet-Name: Good\r\nMIDlet-Vendor: V\r\nMIDlet-Version: 1.0\r\n";
        PackWith("zip", {{"META-INF/MANIFEST.MF", manifest}, {"g/G.class", "g"}}, work_ / "games" / "good.jar");
        fs::copy_file(work_ / "games" / "good.jar", work_ / "games" / kNotUtf8);
        PackWith("zip", {{"g/NoManifest.class", "x"}}, work_ / "games" / "broken.jar");
        fs::copy(work_ / "games", work_ / "before");
    }

    TempDir work_;
};

class ReportFormatsTest : public ReportTest,
                          public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(ReportFormatsTest, RecordsEveryEntryWithItsHashesBeforeAndAfter) {
    const auto& [name, jobs] = GetParam();
    ChildOptions inGames;
    inGames.workDir = work_ / "games";
    const ChildResult run =
        RunChild(VorlanBatchCommand({"--jobs", jobs, "--api-dir", (work_ / "API").string(), "--api", "api.zip",
                                     "--report", "../" + name, "good.jar", kNotUtf8, "broken.jar"}),
                 inGames);
    EXPECT_EQ(run.status, 1) << run.errors;
    const std::string good = "Good/V/1.0|ok|ok|api.zip||";
    EXPECT_EQ(ReportLines(work_ / name, work_ / "before", work_ / "games"),
              (std::vector<std::string>{
                  "[x] good.jar|0|" + good + std::to_string(WarningsAbout(run.errors, "good.jar")),
                  "[x] b\\xFF.jar|0|" + good + std::to_string(WarningsAbout(run.errors, kNotUtf8)),
                  "[ ] broken.jar|0|//|ok|none|||0",
              }));
    EXPECT_NE(ReadFile(work_ / "games" / "good.jar"), ReadFile(work_ / "before" / "good.jar"));  // the API went in
}

INSTANTIATE_TEST_SUITE_P(FormatsAndJobs, ReportFormatsTest,
                         ::testing::Combine(::testing::Values("report.jsonl", "report.csv"),
                                            ::testing::Values("1", "2")));

// --check: a record per suite, failed when one of its findings is an error,
// with the rules its output lines name.
TEST_F(ReportTest, ACheckRecordsEachSuitesFindings) {
    ChildOptions inGames;
    inGames.workDir = work_ / "games";
    const ChildResult run =
        RunChild(VorlanBatchCommand({"--check", "--report", "../check.csv", "good.jar", "broken.jar"}), inGames);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> records = ReportLines(work_ / "check.csv", work_ / "games", work_ / "games");
    const std::vector<std::string> files{"good.jar", "broken.jar"};
    ASSERT_EQ(records.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string rules;
        bool error = false;
        for (const std::string& line : OutputLines(run.output)) {
            if (!line.starts_with(files[i] + ": ")) continue;
            const std::string finding = line.substr(files[i].size() + 2);
            rules += (rules.empty() ? "" : ",") + finding.substr(0, finding.find(':'));
            error = error || finding.find(": warning: ") == std::string::npos;
        }
        EXPECT_FALSE(rules.empty()) << run.output;
        EXPECT_EQ(records[i], (error ? "[ ] " : "[x] ") + files[i] + "|check|//|none|none||" + rules + "|0");
    }
}

// A suite named like a formula is text in the CSV (a spreadsheet would run
// it) and stays as it is in JSON Lines.
TEST_F(ReportTest, FieldsLikeFormulasAreTextInCsv) {
    for (const char* name : {"=1+1.jar", "@SUM(A1).jar"})
        fs::copy_file(work_ / "games" / "good.jar", work_ / "games" / name);
    ChildOptions inGames;
    inGames.workDir = work_ / "games";
    for (const char* report : {"../c.csv", "../c.jsonl"})
        RunChild(VorlanBatchCommand({"--check", "--report", report, "=1+1.jar", "@SUM(A1).jar", "good.jar"}), inGames);
    const std::string paths = R"(
import csv, json, sys
print(*[r['path'] for r in csv.DictReader(open(sys.argv[1], newline=''))])
print(*[json.loads(line)['path'] for line in open(sys.argv[2])]))";
    const CommandResult read =
        RunCommand({"python3", "-c", paths, (work_ / "c.csv").string(), (work_ / "c.jsonl").string()});
    EXPECT_EQ(read.output, "'=1+1.jar '@SUM(A1).jar good.jar\n=1+1.jar @SUM(A1).jar good.jar\n");
}

}  // namespace
}  // namespace vorlan::test
