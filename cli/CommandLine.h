// SPDX-License-Identifier: MIT
// The options of vorlan-batch, read from its arguments.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorlan {

// A command line that cannot be run as given (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    int mode = 0;
    std::vector<std::string> apis;           // --api NAME, in the order given ("auto": --api auto)
    std::optional<std::string> apiFolder;    // --api-dir DIR
    std::string fixVersion = "9.9.9";        // --fix-version TEXT
    std::optional<std::string> fixTemplate;  // --fix-template PATH
    int jobs = 1;                            // --jobs N; 0: one per processor
    bool listApis = false;
    bool check = false;  // --check: check the suites, change nothing
    // --platform LIST: the phone's optional packages, for --check and --api
    // auto (checked when read).
    std::optional<std::string> platform;
    bool recursive = false;  // -r, --recursive: folder arguments give the suites below them
    bool quiet = false;      // --quiet: only failures and the summary
    bool help = false;
    bool version = false;
    // How suites are written and checked.
    bool repair = false;                // --repair (mode 0)
    bool strict = false;                // --strict
    std::string manifestCharset;        // --manifest-charset NAME, an iconv name
    std::string profile = "MIDP-2.0";   // --profile NAME, the phone's MIDP version
    std::optional<std::string> report;  // --report FILE: a record of every entry
    std::optional<std::string> out;     // --out DIR: prepared copies there, the inputs only read
    bool force = false;                 // --force: files in DIR may be replaced
    std::vector<std::string> files;     // as given
};

// Options may be written "--api NAME" or "--api=NAME"; "--" ends them.
// Throws UsageError for an unknown option, a missing value, a bad mode, an
// unknown code page or profile, or --repair with mode 1.
// The arguments are taken over (the files among them move into the result).
CommandLine ParseCommandLine(std::vector<std::string> arguments);

// The text of --help.
const char* HelpText();

}  // namespace vorlan
