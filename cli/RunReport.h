// SPDX-License-Identifier: MIT
// --report FILE: a machine-readable record of the run, one record per entry
// in list order: JSON Lines, or CSV when FILE ends in ".csv". The records
// are kept as the entries end and the file is written in one piece at the
// end (also when a signal stops the run: the entries not reached are not
// listed), replacing what had the name only once it is complete.
#pragma once

#include <string>
#include <vector>

#include "cli/EntryResults.h"
#include "suitecheck/Findings.h"

namespace vorlan {

enum class ReportFormat { JsonLines, Csv };

// CSV when the name ends in ".csv" (in any letter case).
ReportFormat ReportFormatOf(const std::string& path);

class RunReport : public EntryResults {
public:
    // mode: "0", "1" or "check", as each record gives it.
    RunReport(std::string path, std::string mode);

    void EntryDone(const BatchFile& file, const EntryOutcome& outcome) override;
    // A suite --check looked at: ok when no finding is an error.
    void SuiteChecked(const std::string& shown, const Findings& findings);

    // Writes the file. Throws std::runtime_error when it cannot.
    void Write() const;
    // The file's text, as Write puts it.
    std::string Text() const;

private:
    struct Record {
        std::string path;
        bool succeeded = false;
        std::string reason;
        std::vector<std::string> warnings;
        SuiteFacts facts;
        std::vector<Finding> findings;
    };

    std::string path_;
    std::string mode_;
    std::vector<Record> records_;
};

}  // namespace vorlan
