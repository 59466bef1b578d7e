// Running a program in a child process the way the fault and stress tests
// need it: extra environment variables, a file-size limit, SIGXFSZ ignored or
// not, and what the child cost (peak memory) when it ends.
#pragma once

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
    std::filesystem::path workDir;
    std::map<std::string, std::string> environment;  // added to the test's own
    std::optional<unsigned long> fileSizeLimit;      // RLIMIT_FSIZE, bytes
    FileSizeSignal fileSizeSignal = FileSizeSignal::Delivered;
    // Run through a small helper that measures the program's own peak: a
    // child forked from the test starts from the test's memory.
    bool measurePeakMemory = false;
};

struct ChildResult {
    int exitStatus = -1;    // when it exited
    int signal = 0;         // when a signal ended it
    std::string output;     // standard output and error together
    long peakMemoryKb = 0;  // ru_maxrss, when measured
};

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options);

// The built vorlan-batch.
std::string VorlanBatchProgram();

}  // namespace vorlan::test
