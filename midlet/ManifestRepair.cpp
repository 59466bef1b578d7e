// SPDX-License-Identifier: MIT
// Mending a manifest whose faults have one right answer.
#include "midlet/ManifestRepair.h"

#include "midlet/JadText.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/TextLines.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace {

constexpr std::size_t kLongestLine = 72;

struct LineEnds {
    std::size_t crLf = 0;
    std::size_t cr = 0;
    std::size_t lf = 0;
    bool lastLineOpen = false;  // text after the last line end
};

LineEnds CountLineEnds(std::string_view text) {
    LineEnds ends;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++ends.crLf;
            ++i;
        } else if (text[i] == '\r') {
            ++ends.cr;
        } else if (text[i] == '\n') {
            ++ends.lf;
        }
    }
    ends.lastLineOpen = !text.empty() && text.back() != '\r' && text.back() != '\n';
    return ends;
}

bool IsSectionStart(const std::string& line) {
    return EqualsIgnoringCase(AttributeName(line), "Name");
}

// Removes the empty lines of the main section that java.util.jar takes for
// its end although no "Name:" section follows; gives how many.
std::size_t RemoveEmptyLinesInMainSection(TextLines& lines) {
    std::vector<std::string> kept;
    std::size_t removed = 0;
    bool inMain = true;
    const std::vector<std::string>& all = lines.Lines();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!inMain || !all[i].empty()) {
            kept.push_back(all[i]);
            continue;
        }
        std::size_t next = i + 1;
        while (next < all.size() && all[next].empty()) ++next;
        if (next == all.size() || IsSectionStart(all[next])) {
            inMain = next == all.size();  // trailing empty lines end nothing
            kept.push_back(all[i]);
        } else {
            ++removed;
        }
    }
    if (removed > 0) {
        lines.Clear();
        for (std::string& line : kept) lines.Add(std::move(line));
    }
    return removed;
}

bool HasLongLine(const TextLines& lines) {
    for (const std::string& line : lines.Lines())
        if (line.size() > kLongestLine) return true;
    return false;
}

// A header line whose colon has no space after it, which java.util.jar refuses.
bool LacksSpaceAfterColon(const TextLines& lines) {
    for (const std::string& line : lines.Lines()) {
        const std::size_t colon = line.find(':');
        if (!line.empty() && line.front() != ' ' && colon != std::string::npos &&
            (colon + 1 == line.size() || line[colon + 1] != ' '))
            return true;
    }
    return false;
}

// The repairs of the lines' content, noted in repaired; true when any.
bool MendLines(TextLines& lines, const LineEnds& ends, const std::string& codePage,
               std::vector<std::string>& repaired) {
    const std::size_t before = repaired.size();
    if (ConvertToUtf8(lines, codePage)) repaired.push_back("the text converted from " + codePage + " to UTF-8");
    if (const std::size_t removed = RemoveEmptyLinesInMainSection(lines))
        repaired.push_back(std::to_string(removed) + (removed == 1 ? " empty line" : " empty lines") +
                           " inside the main section removed");
    if (ends.cr > 0)
        repaired.push_back(ends.crLf + ends.lf > 0 ? "mixed line ends made CR LF" : "CR line ends made CR LF");
    if (ends.cr == 0 && ends.crLf > 0 && ends.lf > 0) repaired.push_back("mixed line ends made CR LF");
    if (ends.lastLineOpen) repaired.push_back("a line end added after the last line");
    if (HasLongLine(lines)) repaired.push_back("lines longer than 72 bytes folded");
    if (LacksSpaceAfterColon(lines)) repaired.push_back("a space put after the colon of attributes that had none");
    return repaired.size() > before;
}

}  // namespace

ManifestRepair RepairManifest(std::string_view bytes, const std::string& storedName, const std::string& codePage) {
    ManifestRepair repair;
    const bool byteOrderMark = bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (byteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
        repair.repaired.push_back("the byte-order mark removed");
    }
    TextLines lines;
    lines.SetText(bytes);
    const bool mended = MendLines(lines, CountLineEnds(bytes), codePage, repair.repaired);
    // Rewritten, the manifest has CR LF after every line and its long lines folded anew.
    if (byteOrderMark || mended) {
        const LineEnds ends = CountLineEnds(bytes);
        if (ends.lf > 0 && ends.crLf == 0 && ends.cr == 0) repair.repaired.push_back("LF line ends made CR LF");
        JoinContinuationLines(lines);
        repair.text = ManifestText(lines);
    }
    if (storedName != kManifestEntryName) {
        repair.renameEntry = true;
        repair.repaired.push_back("the manifest stored as META-INF/MANIFEST.MF, not " + storedName);
    }
    return repair;
}

}  // namespace vorlan
