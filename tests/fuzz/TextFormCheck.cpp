// SPDX-License-Identifier: MIT
// The manifest and descriptor text form under arbitrary bytes.
#include <fstream>

#include "filecommit/ReplaceableTarget.h"
#include "midlet/Descriptor.h"
#include "midlet/FixBuilder.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/support/ScriptedApplication.h"

namespace vorlan::fuzz {

namespace {

const std::string kSizeLine = "MIDlet-Jar-Size: 51234";
const std::string kUrlLine = "MIDlet-Jar-URL: Game.jar";
const std::string kVersionLine = "MIDlet-Version: 9.9.9";

void CheckLinesAreLines(const TextLines& lines) {
    for (const std::string& line : lines.Lines())
        if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            Violation("a line holds a line break or a NUL");
}

// Every line that holds a key after the rewrite is that key's written line.
void CheckKeys(const TextLines& lines) {
    bool size = false, url = false;
    for (const std::string& line : lines.Lines()) {
        if (ContainsIgnoringCase(line, "midlet-jar-size") && line != kSizeLine)
            Violation("a size line not rewritten: " + line);
        if (ContainsIgnoringCase(line, "midlet-jar-url") && line != kUrlLine)
            Violation("a URL line not rewritten: " + line);
        if (ContainsIgnoringCase(line, "midlet-version:") && line != kVersionLine)
            Violation("a version line not rewritten: " + line);
        if (ContainsIgnoringCase(line, "midlet-1:") && line.rfind(",br.BookReader") != line.size() - 14)
            Violation("a first-midlet line not pointed at the template: " + line);
        size = size || line == kSizeLine;
        url = url || line == kUrlLine;
    }
    if (!size || !url) Violation("the size or URL line is missing");
}

TextLines ReadBack(const std::string& path) {
    TextLines lines;
    lines.LoadFromFile(path);
    return lines;
}

}  // namespace

int CheckTextForm(const std::uint8_t* data, std::size_t size) {
    static ScriptedApplication application;
    SetApp(&application);
    application.messages.clear();
    const std::string input = FuzzWorkFolder() + "/manifest.mf";
    const std::string output = FuzzWorkFolder() + "/descriptor.jad";
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TextLines lines;
    lines.LoadFromFile(input);
    CheckLinesAreLines(lines);
    SetJarSizeAndUrl(lines, "51234", "Game.jar");
    FixManifest(lines, "9.9.9");
    CheckLinesAreLines(lines);
    CheckKeys(lines);
    ReplaceFileNow(output, lines.Text());
    if (ReadBack(output).Lines() != lines.Lines()) Violation("the saved text does not read back line for line");
    return 0;
}

}  // namespace vorlan::fuzz
