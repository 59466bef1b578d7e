// SPDX-License-Identifier: MIT
// --report FILE: a machine-readable record of the run, one record per entry
// in list order: JSON Lines, or CSV when FILE ends in ".csv". The records
// go into a pending file beside FILE as the entries end, and it takes the
// name at the end (also when a signal stops the run: the entries not
// reached are not listed), replacing what had the name only once it is
// complete.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/EntryResults.h"
#include "suitecheck/Findings.h"

namespace vorlan {

class PendingFile;

enum class ReportFormat { JsonLines, Csv };

// CSV when the name ends in ".csv" (in any letter case).
ReportFormat ReportFormatOf(const std::string& path);

class RunReport : public EntryResults {
public:
    // mode: "0", "1" or "check", as each record gives it.
    RunReport(std::string path, std::string mode);
    ~RunReport() override;  // an unwritten report's pending file goes

    void EntryDone(const BatchFile& file, const EntryOutcome& outcome) override;
    // A suite --check looked at: ok when no finding is an error.
    void SuiteChecked(const std::string& shown, const Findings& findings);

    // Gives the file its name. Throws std::runtime_error when it cannot, or
    // when a record could not be written.
    void Write();

private:
    struct Record {
        std::string path;
        bool succeeded = false;
        std::string reason;
        std::vector<std::string> warnings;
        SuiteFacts facts;
        std::vector<Finding> findings;
    };

    std::string RecordText(const Record& record) const;
    void Append(const Record& record);
    void OpenPendingFile();

    std::string path_;
    std::string mode_;
    bool csv_;
    std::unique_ptr<PendingFile> pending_;
    std::string failure_;  // why a record could not be written
};

}  // namespace vorlan
