// SPDX-License-Identifier: MIT
// The batch's surroundings on the command line.
#include "cli/ConsoleBatchHost.h"

#include <cctype>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "cli/ProgressLine.h"
#include "cli/TerminationRequests.h"

namespace vorlan {

ConsoleBatchHost::ConsoleBatchHost(BatchSettings settings, std::ostream& output, std::ostream& errors)
    : settings_(std::move(settings)), checked_(settings_.files.size(), false), output_(output), errors_(errors) {
    zip_.ShowProgressDialog = false;
    if (settings_.apiAuto) chooser_ = std::make_unique<AutoApiChooser>(settings_.optionalPackages);
}

int ConsoleBatchHost::FileCount() {
    return static_cast<int>(settings_.files.size());
}

std::string ConsoleBatchHost::FileAt(int index) {
    return PathOf(settings_, settings_.files.at(static_cast<std::size_t>(index)));
}

void ConsoleBatchHost::SetFileChecked(int index, bool checked) {
    checked_.at(static_cast<std::size_t>(index)) = checked;
}

int ConsoleBatchHost::ApiCount() {
    return static_cast<int>(settings_.catalogue.size());
}

std::string ConsoleBatchHost::ApiAt(int index) {
    return settings_.catalogue.at(static_cast<std::size_t>(index));
}

bool ConsoleBatchHost::ApiChecked(int index) {
    return settings_.checkedApis.count(ApiAt(index)) != 0;
}

bool ConsoleBatchHost::StopRequested() {
    return TerminationRequested() != 0;
}

// A refused entry gets no step: its failure is reported when the entries
// before it have been, so that the lines keep the list's order.
bool ConsoleBatchHost::EntryWanted(int index) {
    return settings_.files.at(static_cast<std::size_t>(index)).refused.empty();
}

void ConsoleBatchHost::ReportRefusedBefore(int index) {
    for (; reportedUpTo_ < index; ++reportedUpTo_) {
        const std::string& refused = settings_.files.at(static_cast<std::size_t>(reportedUpTo_)).refused;
        if (!refused.empty()) Report(EntryOutcome{reportedUpTo_, false, refused, {}, {}});
    }
}

void ConsoleBatchHost::Report(const EntryOutcome& outcome) {
    const BatchFile& file = settings_.files.at(static_cast<std::size_t>(outcome.index));
    if (!settings_.quiet || !outcome.succeeded)
        PrintEntryOutcome(output_, errors_, file.shown, outcome.succeeded, outcome.failure);
    if (results_ != nullptr) results_->EntryDone(file, outcome);
}

void ConsoleBatchHost::EntryFinished(int index, bool succeeded, const std::string& failure) {
    ReportRefusedBefore(index);
    EntryOutcome outcome = std::exchange(finishing_, {});
    outcome.index = index;
    outcome.succeeded = succeeded;
    outcome.failure = failure;
    Report(outcome);
    reportedUpTo_ = index + 1;
    // Between two entries is where a termination signal ends the batch.
    StopWhenRequested();
}

void ConsoleBatchHost::EntryWarning(int index, const std::string& text) {
    if (!settings_.quiet) PrintEntryWarning(errors_, settings_.files.at(static_cast<std::size_t>(index)).shown, text);
    if (results_ != nullptr) finishing_.warnings.push_back(text);
}

void ConsoleBatchHost::EntryDescribed(int, const SuiteFacts& facts) {
    if (results_ != nullptr) finishing_.facts = facts;
}

void ConsoleBatchHost::ApiExtractionFailed(const std::string& archive, const std::string& failure) {
    apiLeftOut_ = true;
    PrintApiLeftOut(errors_, archive, failure);
}

void ConsoleBatchHost::ApiEntryLeftOut(const std::string& archive, const std::string& why) {
    PrintApiLeftOut(errors_, archive, why, LeftOut::Entry);
}

void ConsoleBatchHost::ShowBatchFinished(const std::string& text, const std::string&) {
    ReportRefusedBefore(FileCount());
    output_ << text << std::endl;
}

std::string ConsoleBatchHost::OutputPathOf(int index) {
    return OutputPathIn(settings_, settings_.files.at(static_cast<std::size_t>(index)));
}

std::string OutputPathIn(const BatchSettings& settings, const BatchFile& file) {
    if (settings.outFolder.empty()) return {};
    if (!file.refused.empty()) throw std::runtime_error(file.refused);
    const std::filesystem::path relative(file.relative);
    bool leaves = relative.empty() || relative.is_absolute();
    for (const std::filesystem::path& part : relative) leaves = leaves || part == "..";
    if (leaves) throw std::runtime_error("\"" + file.relative + "\" cannot be placed below the --out folder");
    std::string jar = settings.outFolder + file.relative;
    std::string end = jar.substr(jar.size() >= 4 ? jar.size() - 4 : 0);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (settings.mode == BatchMode::BuildFix && end == ".jad") jar.replace(jar.size() - 3, 3, "jar");
    return jar;
}

std::string PathOf(const BatchSettings& settings, const BatchFile& file) {
    if (!file.shown.empty() && file.shown.front() == '/') return file.shown;
    return settings.startFolder + file.shown;
}

void PrintEntryOutcome(std::ostream& output, std::ostream& errors, const std::string& shown, bool succeeded,
                       const std::string& failure) {
    // Each line in one piece and flushed at once, so that a script reading
    // the output sees each entry as it ends, and lines of other processes
    // writing to the same place do not cut into it.
    ClearProgressLine();
    output << std::string(succeeded ? "[x] " : "[ ] ") + ShownFileName(shown) + "\n" << std::flush;
    if (!succeeded) errors << "vorlan-batch: " + ShownFileName(shown) + ": " + failure + "\n" << std::flush;
}

void PrintEntryWarning(std::ostream& errors, const std::string& shown, const std::string& warning) {
    ClearProgressLine();
    errors << "vorlan-batch: warning: " + ShownFileName(shown) + ": " + warning + "\n" << std::flush;
}

void PrintApiLeftOut(std::ostream& errors, const std::string& archive, const std::string& failure, LeftOut what) {
    ClearProgressLine();
    const std::string name = ShownFileName(archive);
    if (what == LeftOut::WholeArchive)
        errors << "vorlan-batch: API archive " + name + " could not be used and is left out: " + failure + "\n";
    else
        errors << "vorlan-batch: warning: API archive " + name + ": " + failure + "\n";
    errors.flush();
}

bool ConsoleBatchHost::AllSucceeded() const {
    return !apiLeftOut_ && std::all_of(checked_.begin(), checked_.end(), [](bool checked) { return checked; });
}

}  // namespace vorlan
