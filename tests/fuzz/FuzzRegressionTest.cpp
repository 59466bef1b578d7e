// SPDX-License-Identifier: MIT
// The fuzz targets' checks in the ordinary builds: the sound archives the
// hostile corpus starts from, archives made by real tools, and every input
// fuzzing has found (regressions/*.hex), through the check of each target
// (the hostile tests run every case of the corpus through them). A broken invariant
// aborts with its message, and the input's name is printed before it runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/fuzz/FuzzChecks.h"
#include "tests/hostile/HostileCases.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

using Check = int (*)(const std::uint8_t*, std::size_t);

struct Input {
    std::string name;
    std::string bytes;
};

void RunAll(Check check, const std::vector<Input>& inputs) {
    for (const Input& input : inputs) {
        std::printf("input %s\n", input.name.c_str());
        std::fflush(stdout);
        check(reinterpret_cast<const std::uint8_t*>(input.bytes.data()), input.bytes.size());
    }
}

std::vector<Input> CorpusArchives() {
    return {{"SoundSuite", SoundSuiteBytes()}, {"ApiArchive", ApiArchiveBytes()}};
}

// A suite packed by each tool at hand, and the archives the project ships.
std::vector<Input> RealToolArchives() {
    const Files suite{{"META-INF/MANIFEST.MF", SuiteManifestText()},
                      {"game/Main.class", std::string(3000, 'c')},
                      {"game/res/", ""},
                      {"game/res/level.txt", "level one"}};
    std::vector<Input> inputs;
    TempDir folder;
    for (const char* tool : {"jar", "zip", "python"}) {
        if (!ToolAvailable(tool == std::string("python") ? "python3" : tool)) continue;
        PackWith(tool, suite, folder / "suite.jar");
        inputs.push_back({std::string("packed with ") + tool, ReadFile(folder / "suite.jar")});
    }
    for (const char* shipped : {"data/fix.jar", "data/samples/Hello.jar"})
        inputs.push_back({shipped, ReadFile(fs::path(VORLAN_SOURCE_DIR) / shipped)});
    return inputs;
}

std::vector<Input> Texts() {
    return {{"suite manifest", SuiteManifestText()},
            {"template manifest", ReadFile(fs::path(VORLAN_SOURCE_DIR) / "data/template/MANIFEST.MF")},
            {"empty", ""},
            {"every kind of line end", "a\r\nb\rc\nd\n\r\n\r\re"},
            {"NUL inside", std::string("MIDlet-1: A, , a.A\0MIDlet-Version: 1", 36)},
            {"keys in values", "X: midlet-jar-url midlet-jar-size\nY: MIDlet-1: midlet-version: 2\n"},
            {"no commas", "MIDlet-1:\nmidlet-1:x\n"},
            {"a long line", std::string(100000, 'k') + "\n"},
            {"a continuation after an empty line", "MIDlet-Jar-Size: 1\r\n\r\n  x\r\n"}};
}

// Hex digits in pairs; whitespace between them and "#" comments to the end
// of a line are ignored.
std::string DecodeHex(const std::string& text) {
    std::string digits;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = line.substr(0, line.find('#'));
        for (char c : line)
            if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    }
    std::string bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

// The regressions of one target: regressions/TARGET-*.hex.
std::vector<Input> Regressions(const std::string& target) {
    std::vector<Input> inputs;
    for (const auto& file : fs::directory_iterator(fs::path(VORLAN_SOURCE_DIR) / "tests/fuzz/regressions")) {
        const std::string name = file.path().filename().string();
        if (name.rfind(target + "-", 0) == 0 && file.path().extension() == ".hex")
            inputs.push_back({name, DecodeHex(ReadFile(file.path()))});
    }
    return inputs;
}

TEST(FuzzChecks, HexRegressionFilesDecode) {
    EXPECT_EQ(DecodeHex("# a comment 41\n50 4b # PK\n0304\n"), std::string("PK\x03\x04", 4));
}

TEST(FuzzChecks, DirectoryReader) {
    RunAll(fuzz::CheckDirectoryReader, CorpusArchives());
    RunAll(fuzz::CheckDirectoryReader, RealToolArchives());
    RunAll(fuzz::CheckDirectoryReader, Regressions("directory_reader"));
}

TEST(FuzzChecks, ExtractEngine) {
    RunAll(fuzz::CheckExtractEngine, CorpusArchives());
    RunAll(fuzz::CheckExtractEngine, RealToolArchives());
    RunAll(fuzz::CheckExtractEngine, Regressions("extract_engine"));
}

TEST(FuzzChecks, TextForm) {
    RunAll(fuzz::CheckTextForm, Texts());
    RunAll(fuzz::CheckTextForm, CorpusArchives());
    RunAll(fuzz::CheckTextForm, Regressions("text_form"));
}

}  // namespace
}  // namespace vorlan::test
