// Child processes with limits, environment and resource figures.
#include "tests/faults/ChildProcess.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace vorlan::test {

namespace {

// Runs in the child between fork and exec. The test programs are single
// threaded, so the child may still set its environment here.
[[noreturn]] void StartChild(const std::vector<std::string>& argv, const ChildOptions& options, int out) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
    if (options.fileSizeLimit) {
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    signal(SIGXFSZ, options.fileSizeSignal == FileSizeSignal::Ignored ? SIG_IGN : SIG_DFL);
    std::vector<char*> args;
    for (const std::string& argument : argv) args.push_back(const_cast<char*>(argument.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

std::string Drain(int fd) {
    std::string output;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        output.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return output;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& program, const ChildOptions& options) {
    std::vector<std::string> argv = program;
    char peakFile[] = "/tmp/vorlan-peak-XXXXXX";
    if (options.measurePeakMemory) {
        const int fd = mkstemp(peakFile);
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        close(fd);
        argv.insert(argv.begin(), {PEAK_MEMORY_PROGRAM, peakFile});
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        close(pipeFds[0]);
        StartChild(argv, options, pipeFds[1]);
    }
    close(pipeFds[1]);
    ChildResult result;
    result.output = Drain(pipeFds[0]);
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) throw std::runtime_error("wait4 failed");
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    if (options.measurePeakMemory) {
        FILE* peak = std::fopen(peakFile, "r");
        if (peak != nullptr && std::fscanf(peak, "%ld", &result.peakMemoryKb) != 1) result.peakMemoryKb = 0;
        if (peak != nullptr) std::fclose(peak);
        unlink(peakFile);
    }
    return result;
}

std::string VorlanBatchProgram() {
    return std::string(VORLAN_BIN_DIR) + "/vorlan-batch";
}

}  // namespace vorlan::test
