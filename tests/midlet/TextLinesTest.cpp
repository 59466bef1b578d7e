// SPDX-License-Identifier: MIT
// The text form of manifests and descriptors: how files are split into lines
// and how lines are written.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <functional>

#include "filecommit/FileDescriptor.h"
#include "filecommit/ReplaceableTarget.h"
#include "midlet/TextLines.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    std::string text;
    Lines lines;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAsWindowsStringListsDo) {
    EXPECT_EQ(SplitTextLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineBreaks, SplitTest,
                         ::testing::Values(SplitCase{"", {}},  //
                                           SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\nb\n", {"a", "b"}},
                                           SplitCase{"a\rb\r", {"a", "b"}},
                                           SplitCase{"a\r\n\r\nb", {"a", "", "b"}},  // empty line in the middle stays
                                           SplitCase{"a\r\n\r\n", {"a", ""}},        // and at the end
                                           SplitCase{"a\n\rb", {"a", "", "b"}},      // LF CR is two breaks
                                           SplitCase{"\r\n", {""}}, SplitCase{"no break", {"no break"}},
                                           SplitCase{"a\r\r\nb", {"a", "", "b"}},
                                           SplitCase{std::string("ab\0cd\r\ne", 8), {"ab"}},  // NUL ends the text
                                           SplitCase{std::string("a\r\n\0b", 5), {"a"}},
                                           SplitCase{" continued\r\n line\r\n", {" continued", " line"}}));

TEST(TextLinesTest, WritesCrLfAfterEveryLineTheLastToo) {
    TextLines lines;
    lines.SetText("one\ntwo\rthree");
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n");
    lines.Add("");
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n\r\n");
    lines.Clear();
    EXPECT_EQ(lines.Text(), "");
}

TEST(TextLinesTest, LoadReplacesTheWholeContentAndItsTextRoundTrips) {
    TempDir dir;
    WriteFile(dir / "in.mf", "MIDlet-Name: A\nMIDlet-Vendor: B\n");
    TextLines lines;
    lines.SetText("old\r\nlines\r\nhere\r\n");
    lines.LoadFromFile((dir / "in.mf").string());
    EXPECT_EQ(lines.Lines(), (Lines{"MIDlet-Name: A", "MIDlet-Vendor: B"}));
    ReplaceFileNow((dir / "out.jad").string(), lines.Text());
    EXPECT_EQ(ReadFile(dir / "out.jad"), "MIDlet-Name: A\r\nMIDlet-Vendor: B\r\n");
}

TEST(TextLinesTest, AFailedLoadKeepsTheContent) {
    TempDir dir;
    TextLines lines;
    lines.SetText("kept\r\n");
    EXPECT_THROW(lines.LoadFromFile((dir / "missing.mf").string()), std::runtime_error);
    EXPECT_THROW(lines.LoadFromFile(dir.str()), std::runtime_error);  // a folder
    EXPECT_EQ(lines.Lines(), Lines{"kept"});
}

// Whether loaded by name or from the file already open, a file is refused
// over the limit, and the message names it.
TEST(TextLinesTest, RefusesFilesLargerThanSixteenMebibytes) {
    TempDir dir;
    const fs::path big = dir / "big.mf";
    WriteFile(big, "MIDlet-Name: Big\r\n");
    const FileDescriptor opened(::open(big.c_str(), O_RDONLY | O_CLOEXEC));
    const std::vector<std::function<void(TextLines&)>> loads{
        [&big](TextLines& lines) { lines.LoadFromFile(big.string()); },
        [&big, &opened](TextLines& lines) { lines.LoadFromOpenFile(opened.Get(), big.string()); }};
    for (const auto& load : loads) {
        fs::resize_file(big, TextLines::kMaxFileSize + 1);  // sparse: no disk used
        TextLines lines;
        lines.SetText("kept");
        try {
            load(lines);
            FAIL() << "a file over 16 MiB was loaded";
        } catch (const std::runtime_error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("16 MiB"), std::string::npos) << message;
            EXPECT_NE(message.find(big.string()), std::string::npos) << message;
        }
        EXPECT_EQ(lines.Lines(), Lines{"kept"});

        fs::resize_file(big, TextLines::kMaxFileSize);  // the limit itself is fine
        load(lines);
        EXPECT_EQ(lines[0], "MIDlet-Name: Big");
    }
}

}  // namespace
}  // namespace vorlan::test
