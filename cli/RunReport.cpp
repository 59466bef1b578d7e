// SPDX-License-Identifier: MIT
// The report of a run: records kept as entries end, written at the end.
#include "cli/RunReport.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>

#include "cli/ConsoleBatchHost.h"
#include "filecommit/PendingFile.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

// Names and values come from the user's files and may be in any code page:
// each byte that is not part of a well-formed UTF-8 character is written as
// "\xNN", so that the report is always valid UTF-8 and no byte is lost.
std::string ReportText(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string written;
    written.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80 ? 1 : Utf8CharacterLength(text.substr(i));
        if (length == 0) {
            written += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
            ++i;
            continue;
        }
        written.append(text.substr(i, length));
        i += length;
    }
    return written;
}

std::vector<std::string> ReportTexts(const std::vector<std::string>& texts) {
    std::vector<std::string> written;
    for (const std::string& text : texts) written.push_back(ReportText(text));
    return written;
}

// A finding as one line of text, as --check prints it after the file name.
std::string FindingLine(const Finding& finding) {
    return finding.rule + ": " + (finding.error ? "" : "warning: ") + ReportText(finding.text);
}

nlohmann::json SizeOrNull(std::int64_t size) {
    return size < 0 ? nlohmann::json(nullptr) : nlohmann::json(size);
}

nlohmann::json HashOrNull(const std::string& hash) {
    return hash.empty() ? nlohmann::json(nullptr) : nlohmann::json(hash);
}

// A spreadsheet runs a cell that starts like a formula, and a suite's file
// and MIDlet names come from whoever made it: such a cell starts with an
// apostrophe, which makes it text.
std::string NeutralisedFormula(const std::string& text) {
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    return formula ? "'" + text : text;
}

// A CSV field (RFC 4180): quoted when it holds a comma, a quote or a line
// break, quotes doubled.
std::string CsvField(const std::string& field) {
    const std::string text = NeutralisedFormula(field);
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Lists (API archives, findings, warnings) go into one CSV field, an item a line.
std::string JoinedLines(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) joined += (joined.empty() ? "" : "\n") + item;
    return joined;
}

std::string SizeText(std::int64_t size) {
    return size < 0 ? std::string() : std::to_string(size);
}

constexpr const char* kCsvHeader =
    "path,result,reason,mode,midlet_name,midlet_vendor,midlet_version,jar_size_before,jar_size_after,"
    "jar_sha256_before,jar_sha256_after,apis_added,findings,warnings\r\n";

}  // namespace

ReportFormat ReportFormatOf(const std::string& path) {
    std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".csv" ? ReportFormat::Csv : ReportFormat::JsonLines;
}

RunReport::RunReport(std::string path, std::string mode)
    : path_(std::move(path)), mode_(std::move(mode)), csv_(ReportFormatOf(path_) == ReportFormat::Csv) {}

RunReport::~RunReport() = default;

void RunReport::EntryDone(const BatchFile& file, const EntryOutcome& outcome) {
    Append({file.shown, outcome.succeeded, outcome.failure, outcome.warnings, outcome.facts, {}});
}

void RunReport::SuiteChecked(const std::string& shown, const Findings& findings) {
    Append({shown, !findings.HasError(), {}, {}, {}, findings.List()});
}

std::string RunReport::RecordText(const Record& record) const {
    std::vector<std::string> findings;
    nlohmann::json findingObjects = nlohmann::json::array();
    for (const Finding& finding : record.findings) {
        findings.push_back(FindingLine(finding));
        findingObjects.push_back({{"rule", finding.rule},
                                  {"severity", finding.error ? "error" : "warning"},
                                  {"text", ReportText(finding.text)}});
    }
    const SuiteFacts& facts = record.facts;
    if (csv_) {
        const std::vector<std::string> fields{ReportText(record.path),
                                              record.succeeded ? "ok" : "failed",
                                              ReportText(record.reason),
                                              mode_,
                                              ReportText(facts.midletName),
                                              ReportText(facts.midletVendor),
                                              ReportText(facts.midletVersion),
                                              SizeText(facts.jarSizeBefore),
                                              SizeText(facts.jarSizeAfter),
                                              facts.jarSha256Before,
                                              facts.jarSha256After,
                                              JoinedLines(ReportTexts(facts.apisAdded)),
                                              JoinedLines(findings),
                                              JoinedLines(ReportTexts(record.warnings))};
        std::string row;
        for (const std::string& field : fields) {
            if (!row.empty()) row += ',';  // appended: GCC 12 -O3 takes "" + string for an overlap
            row += CsvField(field);
        }
        return row + "\r\n";
    }
    const nlohmann::json object{
        {"path", ReportText(record.path)},
        {"result", record.succeeded ? "ok" : "failed"},
        {"reason", ReportText(record.reason)},
        {"mode", mode_},
        {"midlet_name", ReportText(facts.midletName)},
        {"midlet_vendor", ReportText(facts.midletVendor)},
        {"midlet_version", ReportText(facts.midletVersion)},
        {"jar_size_before", SizeOrNull(facts.jarSizeBefore)},
        {"jar_size_after", SizeOrNull(facts.jarSizeAfter)},
        {"jar_sha256_before", HashOrNull(facts.jarSha256Before)},
        {"jar_sha256_after", HashOrNull(facts.jarSha256After)},
        {"apis_added", ReportTexts(facts.apisAdded)},
        {"findings", findingObjects},
        {"warnings", ReportTexts(record.warnings)},
    };
    return object.dump() + "\n";
}

// Each record goes into the pending file as its entry ends: a run over a
// large collection never holds its report. A failure is kept for Write,
// which says it once the batch is done; the batch goes on meanwhile.
void RunReport::Append(const Record& record) {
    if (!failure_.empty()) return;
    try {
        OpenPendingFile();
        pending_->Write(RecordText(record));
    } catch (const std::exception& failure) {
        failure_ = failure.what();
        pending_.reset();
    }
}

void RunReport::OpenPendingFile() {
    if (pending_) return;
    pending_ = std::make_unique<PendingFile>(PendingFile::Beside(path_));
    if (csv_) pending_->Write(kCsvHeader);
}

void RunReport::Write() {
    try {
        if (!failure_.empty()) throw std::runtime_error(failure_);
        OpenPendingFile();  // a run of no entries: the header, or an empty file
        if (::fsync(pending_->Fd()) != 0)
            throw std::runtime_error(std::string("cannot write it to the disk: ") + std::strerror(errno));
        pending_->Publish();
    } catch (const std::exception& failure) {
        throw std::runtime_error("cannot write the report " + path_ + ": " + failure.what());
    }
}

}  // namespace vorlan
