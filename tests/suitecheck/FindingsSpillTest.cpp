// SPDX-License-Identifier: MIT
// The --check findings held in a temporary file until they are printed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "suitecheck/FindingsSpill.h"
#include "tests/support/TestTools.h"

namespace vorlan {
namespace {

// Findings of one suite as "E rule|text" lines, errors and warnings apart.
std::vector<std::string> Lines(const Findings& findings) {
    std::vector<std::string> lines;
    for (const Finding& finding : findings.List())
        lines.push_back((finding.error ? "E " : "W ") + finding.rule + "|" + finding.text);
    return lines;
}

Findings SuiteFindings(std::size_t suite) {
    Findings findings;
    findings.Error("CLASS_FORMAT", "suite " + std::to_string(suite) + ": a.class ends too early");
    findings.Warning("ICON", "shown \\x01 \"quoted\" " + std::string(300 + suite, 'x'));  // longer than a byte's count
    if (suite % 2 == 0) findings.Error("", "");
    return findings;
}

// Kept out of order, as the check's threads finish, and read back in list
// order: whether in the temporary folder or, without one, in memory.
TEST(FindingsSpill, GivesBackEachSuitesFindingsAsTheyWereKept) {
    test::TempDir dir;
    for (const std::string& folder : {dir.str(), dir.str() + "/missing"}) {
        const test::ScopedVariable tmpdir("TMPDIR", folder);
        FindingsSpill spill(5);
        for (const std::size_t suite : {3U, 0U, 4U, 1U}) spill.Put(suite, SuiteFindings(suite));
        for (const std::size_t suite : {0U, 1U, 3U, 4U})
            EXPECT_EQ(Lines(spill.Take(suite)), Lines(SuiteFindings(suite))) << folder << " suite " << suite;
        EXPECT_TRUE(spill.Take(2).List().empty());  // never kept: a stopped run
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // the file has no name
}

}  // namespace
}  // namespace vorlan
