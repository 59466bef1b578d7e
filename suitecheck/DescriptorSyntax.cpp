// SPDX-License-Identifier: MIT
// JAD and manifest text, read with the installer's and java.util.jar's rules.
#include "suitecheck/DescriptorSyntax.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// The separators looked up in a table rather than searched for: every
// character of every attribute name of every JAD goes through here.
constexpr std::array<bool, 256> JadSeparators() {
    std::array<bool, 256> table{};
    for (char c : std::string_view("()<>@,;:'\"/[]?={} \t")) table[static_cast<unsigned char>(c)] = true;
    return table;
}

bool IsJadNameCharacter(char c) {
    static constexpr std::array<bool, 256> kSeparator = JadSeparators();
    return !IsControl(c) && !kSeparator[static_cast<unsigned char>(c)];
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The start of a line, quoted and escaped as values are.
std::string QuotedLineStart(std::string_view line) {
    constexpr std::size_t kShown = 60;
    std::string shown = QuotedValue(std::string(line.substr(0, kShown)));
    if (line.size() > kShown) shown.insert(shown.size() - 1, "...");
    return shown;
}

// Why an installer refuses the JAD line, or empty when it takes it.
std::string JadLineFault(std::string_view line) {
    if (line.front() == ' ' || line.front() == '\t')
        return "a continuation line: a JAD has none, every line is \"name: value\"";
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return "no colon";
    if (colon == 0) return "no attribute name before the colon";
    for (char c : line.substr(0, colon))
        if (!IsJadNameCharacter(c)) return "white space, a control character or a separator in the attribute name";
    for (char c : Trimmed(line.substr(colon + 1)))
        if (IsControl(c) && c != '\t') return "a control character in the value";
    return {};
}

}  // namespace

Attributes ReadJadAttributes(std::string_view bytes, Findings& findings) {
    if (!IsWellFormedUtf8(bytes)) findings.Error(rules::kJadSyntax, "the JAD is not UTF-8 text");
    Attributes attributes;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;  // installers allow empty lines
        const std::string fault = JadLineFault(line);
        if (!fault.empty()) {
            findings.Error(rules::kJadSyntax,
                           "line " + std::to_string(number) + " " + QuotedLineStart(line) + ": " + fault);
            continue;
        }
        const std::size_t colon = line.find(':');
        attributes.Put(std::string(line.substr(0, colon)), std::string(Trimmed(line.substr(colon + 1))));
    }
    return attributes;
}

namespace {

struct PhysicalLine {
    std::string_view text;
    bool ended = true;  // followed by a line break
};

std::vector<PhysicalLine> SplitManifestLines(std::string_view bytes) {
    std::vector<PhysicalLine> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto lineBreak = std::find_if(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end(),
                                            [](char c) { return c == '\r' || c == '\n'; });
        if (lineBreak == bytes.end()) {
            lines.push_back({bytes.substr(start), false});
            break;
        }
        const auto end = static_cast<std::size_t>(lineBreak - bytes.begin());
        lines.push_back({bytes.substr(start, end - start), true});
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool IsManifestName(std::string_view name) {
    if (name.empty() || name.size() > 70) return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')) return false;
    return true;
}

// Reads the manifest's headers section by section, as java.util.jar does.
class ManifestReader {
public:
    explicit ManifestReader(Findings& findings) : findings_(findings) {}

    void Read(const PhysicalLine& line, std::size_t number) {
        if (line.text.empty()) {
            sectionEnded_ = sectionEnded_ || sectionHasHeaders_;
            return;
        }
        if (!line.ended)
            findings_.Warning(rules::kManifest,
                              "line " + std::to_string(number) + " has no line end: java.util.jar ignores it");
        if (line.text.front() == ' ') return Continue(line.text, number);
        if (sectionEnded_) StartSection(line.text, number);
        Header(line.text, number);
    }
    Attributes TakeMain() {
        Flush();
        return std::move(main_);
    }

private:
    void Fail(std::size_t number, const std::string& why) {
        findings_.Error(rules::kManifest, "line " + std::to_string(number) + ": " + why);
    }
    void Continue(std::string_view text, std::size_t number) {
        if (!sectionHasHeaders_ || sectionEnded_) return Fail(number, "a continuation line with no header before it");
        if (lastWasMain_) pending_.second.append(text.substr(1));
    }
    void StartSection(std::string_view text, std::size_t number) {
        Flush();
        sectionEnded_ = false;
        sectionHasHeaders_ = false;
        inMain_ = false;
        if (text.substr(0, 5) != "Name:")
            Fail(number,
                 "an empty line ended the main section, and the next line does not begin a "
                 "\"Name:\" section; java.util.jar refuses such a manifest");
    }
    void Header(std::string_view text, std::size_t number) {
        Flush();
        const std::size_t colon = text.find(':');
        const std::string_view name = text.substr(0, colon == std::string_view::npos ? 0 : colon);
        if (!IsManifestName(name))
            return Fail(number, "not \"Name: value\" with a name of letters, digits, '-' and '_'");
        if (colon + 1 >= text.size() || text[colon + 1] != ' ')
            return Fail(number, "no space after the colon of " + std::string(name) + ": java.util.jar refuses it");
        sectionHasHeaders_ = true;
        lastWasMain_ = inMain_;
        if (inMain_) pending_ = {std::string(name), std::string(text.substr(colon + 2))};
    }
    void Flush() {
        // Installers compare values without the white space around them.
        if (!pending_.first.empty()) main_.Put(std::move(pending_.first), std::string(Trimmed(pending_.second)));
        pending_ = {};
    }

    Findings& findings_;
    Attributes main_;
    std::pair<std::string, std::string> pending_;
    bool inMain_ = true;
    bool sectionEnded_ = false;
    bool sectionHasHeaders_ = false;
    bool lastWasMain_ = false;
};

}  // namespace

Attributes ReadManifestAttributes(std::string_view bytes, Findings& findings) {
    if (!IsWellFormedUtf8(bytes)) findings.Warning(rules::kManifest, "the manifest has bytes that are not UTF-8");
    const std::vector<PhysicalLine> lines = SplitManifestLines(bytes);
    ManifestReader reader(findings);
    std::string longLines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text.size() > 72) longLines += (longLines.empty() ? "" : ", ") + std::to_string(i + 1);
        // java.util.jar reads a line with its line end into 512 bytes.
        if (lines[i].text.size() > 510)
            findings.Error(rules::kManifest, "line " + std::to_string(i + 1) +
                                                 " is longer than 510 bytes: java.util.jar refuses the manifest");
        reader.Read(lines[i], i + 1);
    }
    if (!longLines.empty())
        findings.Warning(rules::kManifest, "lines longer than 72 bytes, which manifests fold: " + longLines);
    return reader.TakeMain();
}

}  // namespace vorlan
