// SPDX-License-Identifier: MIT
// The tests' one way to run a program in a child process: no shell, standard
// input from /dev/null, standard output and standard error kept apart, extra
// environment variables, a file-size, address-space or open-file limit, and how the child ended (exit
// status or signal) with what it cost (peak memory) when asked. A running
// child can be read line by line and signalled; RunChild runs one to its end.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlan::test {

enum class FileSizeSignal {
    Delivered,  // a write past the limit kills the child with SIGXFSZ
    Ignored,    // it fails with EFBIG instead
};

struct ChildOptions {
    std::filesystem::path workDir;                   // empty: the test's current folder
    std::map<std::string, std::string> environment;  // set over the test's own
    std::optional<unsigned long> fileSizeLimit;      // RLIMIT_FSIZE, bytes
    std::optional<unsigned long> addressSpaceLimit;  // RLIMIT_AS (ulimit -v), bytes
    std::optional<unsigned long> openFileLimit;      // RLIMIT_NOFILE
    FileSizeSignal fileSizeSignal = FileSizeSignal::Delivered;
    // Run through a small helper that measures the program's own peak: a
    // child forked from the test starts from the test's memory.
    bool measurePeakMemory = false;
};

struct ChildResult {
    int status = -1;        // the exit status, or 128 + the signal that ended it
    int signal = 0;         // the signal that ended it; 0 when it exited
    std::string output;     // standard output only
    std::string errors;     // standard error only
    long peakMemoryKb = 0;  // ru_maxrss, when measured
};

class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const ChildOptions& options = {});
    ~ChildProcess();  // waits for the child when the test did not
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output without its line feed; empty at the end.
    std::string NextLine();
    void Signal(int number) const;
    // Whether the child has ended (it is left to Wait to collect).
    bool Ended() const;
    // Reads the rest of the output and waits for the child to end.
    const ChildResult& Wait();

private:
    bool waited_ = false;
    pid_t pid_ = -1;
    std::FILE* output_ = nullptr;
    int errors_ = -1;  // an anonymous file: a pipe left unread could stall the child
    std::string peakFile_;
    ChildResult result_;
};

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options = {});

// The built vorlan-batch.
std::string VorlanBatchProgram();
// The built vorlan-batch with its arguments, for RunChild or ChildProcess.
std::vector<std::string> VorlanBatchCommand(const std::vector<std::string>& arguments);

}  // namespace vorlan::test
