// SPDX-License-Identifier: MIT
// The batch's surroundings on the command line: the FILE arguments as the
// file list, the API folder's catalogue with the --api archives checked, and
// a line on standard output for every entry as it finishes. A termination
// signal ends the batch after the entry that is running (BatchStopped).
#pragma once

#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/EntryResults.h"
#include "midlet/AutoApiChooser.h"
#include "midlet/BatchHost.h"
#include "platform/ShownNames.h"  // ShownFileName: how the lines show file names
#include "zip/TZip.h"

namespace vorlan {

struct BatchFile {
    // The argument as given (for a file found in a folder argument, the
    // argument joined with its path below it), for the output line.
    std::string shown;
    // Its path below the argument it came from; its file name when it was
    // given itself. Prepared copies (--out) mirror it.
    std::string relative;
    // Why it cannot be processed at all (a folder without -r, a file that
    // does not exist): the entry fails with this, untouched. Empty otherwise.
    std::string refused;
};

struct BatchSettings {
    std::vector<BatchFile> files;
    // The current folder when vorlan-batch started, ending in "/": relative
    // arguments are taken from there (the archive component changes the
    // current folder). Joined when a path is wanted, not kept for every file.
    std::string startFolder;
    std::vector<std::string> catalogue;  // bare archive names, in catalogue order
    std::set<std::string> checkedApis;
    bool apiAuto = false;                                  // --api auto: each JAR gets the archives it needs
    ApiSets optionalPackages = DefaultOptionalPackages();  // --platform, for --api auto
    BatchMode mode = BatchMode::GenerateJad;
    std::string fixVersion;
    bool repair = false;
    bool strict = false;
    std::string manifestCharset;
    std::string profile = "MIDP-2.0";
    bool quiet = false;   // --quiet: no lines for entries that succeeded, no warnings
    bool hashes = false;  // --report: each JAR's SHA-256 before and after
    // --out DIR: absolute, ending in "/"; empty: suites change in place.
    std::string outFolder;
    bool force = false;  // --force: files in outFolder may be replaced
};

// --out: where the file's suite JAR goes in outFolder (its relative path; a
// JAD of mode 1 gives its JAR's name). Throws for a relative path that would
// leave outFolder.
std::string OutputPathIn(const BatchSettings& settings, const BatchFile& file);

// "[x] FILE" or "[ ] FILE" on output, and why it failed on errors.
void PrintEntryOutcome(std::ostream& output, std::ostream& errors, const std::string& shown, bool succeeded,
                       const std::string& failure);
// A warning about an entry, on errors.
void PrintEntryWarning(std::ostream& errors, const std::string& shown, const std::string& warning);
// An API archive left out whole (WholeArchive), or one of its entries.
enum class LeftOut { WholeArchive, Entry };
void PrintApiLeftOut(std::ostream& errors, const std::string& archive, const std::string& failure,
                     LeftOut what = LeftOut::WholeArchive);

// The absolute path of a file of the list.
std::string PathOf(const BatchSettings& settings, const BatchFile& file);

class ConsoleBatchHost : public BatchHost {
public:
    ConsoleBatchHost(BatchSettings settings, std::ostream& output, std::ostream& errors);

    int FileCount() override;
    std::string FileAt(int index) override;
    void SetFileChecked(int index, bool checked) override;
    int ApiCount() override;
    std::string ApiAt(int index) override;
    bool ApiChecked(int index) override;
    ApiChooser* ApiAuto() override { return chooser_.get(); }
    BatchMode Mode() override { return settings_.mode; }
    std::string FixVersion() override { return settings_.fixVersion; }
    bool RepairWanted() override { return settings_.repair; }
    bool StrictWanted() override { return settings_.strict; }
    std::string ManifestCharset() override { return settings_.manifestCharset; }
    std::string DeviceProfile() override { return settings_.profile; }
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    TZip& Zip() override { return zip_; }
    // A termination signal was caught: asked while the batch waits (for
    // another program's lock of a suite), so that the wait ends at once.
    bool StopRequested() override;
    bool EntryWanted(int index) override;
    void EntryFinished(int index, bool succeeded, const std::string& failure) override;
    void EntryWarning(int index, const std::string& text) override;
    void EntryDescribed(int index, const SuiteFacts& facts) override;
    bool HashesWanted() override { return settings_.hashes; }
    std::string OutputPathOf(int index) override;
    std::string OutputFolder() override { return settings_.outFolder; }
    bool ReplaceOutputs() override { return settings_.force; }
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override;
    void ApiEntryLeftOut(const std::string& archive, const std::string& why) override;
    void ShowBatchFinished(const std::string& text, const std::string& caption) override;

    // Every entry succeeded and every checked API archive could be used.
    bool AllSucceeded() const;
    // Each entry, once its line is out, also goes to results (not owned).
    void SendResultsTo(EntryResults* results) { results_ = results; }

private:
    void ReportRefusedBefore(int index);
    void Report(const EntryOutcome& outcome);

    BatchSettings settings_;
    std::vector<bool> checked_;
    bool apiLeftOut_ = false;
    std::ostream& output_;
    std::ostream& errors_;
    TZip zip_;
    std::unique_ptr<AutoApiChooser> chooser_;  // with --api auto
    EntryResults* results_ = nullptr;
    int reportedUpTo_ = 0;    // the entries before it have their lines out
    EntryOutcome finishing_;  // the warnings and facts of the entry about to finish, for results_
};

}  // namespace vorlan
