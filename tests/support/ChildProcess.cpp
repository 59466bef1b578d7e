// SPDX-License-Identifier: MIT
// Child processes with their own environment, limits and resource figures.
#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace vorlan::test {

namespace {

// The test's environment with the options' variables set over it, made
// before the fork: between fork and exec the child may only make
// async-signal-safe calls.
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& added) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string_view text(*variable);
        if (added.count(std::string(text.substr(0, text.find('=')))) == 0) environment.emplace_back(text);
    }
    for (const auto& [name, value] : added) environment.push_back(name + "=" + value);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void StartChild(char* const* args, char* const* environment, const ChildOptions& options, int out,
                             int err) {
    const int none = open("/dev/null", O_RDONLY);
    if (none < 0 || dup2(none, STDIN_FILENO) < 0) _exit(126);
    if (dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) _exit(126);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    if (options.fileSizeLimit) {
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    if (options.addressSpaceLimit) {
        const rlimit limit{*options.addressSpaceLimit, *options.addressSpaceLimit};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    }
    if (options.openFileLimit) {
        const rlimit limit{*options.openFileLimit, *options.openFileLimit};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(125);
    }
    signal(SIGXFSZ, options.fileSizeSignal == FileSizeSignal::Ignored ? SIG_IGN : SIG_DFL);
    execvpe(args[0], args, environment);
    _exit(127);
}

std::string ReadAll(int fd) {
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t n; (n = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer.data(), static_cast<std::size_t>(n));
    return text;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& program, const ChildOptions& options) {
    std::vector<std::string> argv = program;
    if (options.measurePeakMemory) {
        std::string pattern = "/tmp/vorlan-peak-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        close(fd);
        peakFile_ = pattern;
        argv.insert(argv.begin(), {PEAK_MEMORY_PROGRAM, peakFile_});
    }
    std::vector<std::string> environment = ChildEnvironment(options.environment);
    const std::vector<char*> args = Pointers(argv);
    const std::vector<char*> envp = Pointers(environment);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    errors_ = memfd_create("child-stderr", MFD_CLOEXEC);
    if (errors_ < 0) throw std::runtime_error("memfd_create failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) StartChild(args.data(), envp.data(), options, out[1], errors_);
    close(out[1]);
    output_ = fdopen(out[0], "r");
}

ChildProcess::~ChildProcess() {
    if (!waited_) {
        // A test that ends early (a failed assertion) still collects its
        // child; how the child ended no longer matters to anyone then.
        try {
            Wait();
        } catch (const std::exception&) {
        }
    }
    if (output_ != nullptr) std::fclose(output_);
    if (errors_ >= 0) close(errors_);
}

std::string ChildProcess::NextLine() {
    char* line = nullptr;
    std::size_t capacity = 0;
    const ssize_t length = getline(&line, &capacity, output_);
    std::string text = length > 0 ? std::string(line, static_cast<std::size_t>(length)) : "";
    free(line);
    result_.output += text;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

void ChildProcess::Signal(int number) const {
    kill(pid_, number);
}

bool ChildProcess::Ended() const {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
}

const ChildResult& ChildProcess::Wait() {
    if (waited_) return result_;
    waited_ = true;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), output_)) > 0;)
        result_.output.append(buffer.data(), n);
    int status = 0;
    rusage usage{};
    if (wait4(pid_, &status, 0, &usage) != pid_) throw std::runtime_error("wait4 failed");
    result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + result_.signal;
    result_.errors = ReadAll(errors_);
    if (!peakFile_.empty()) {
        std::FILE* peak = std::fopen(peakFile_.c_str(), "r");
        if (peak != nullptr && std::fscanf(peak, "%ld", &result_.peakMemoryKb) != 1) result_.peakMemoryKb = 0;
        if (peak != nullptr) std::fclose(peak);
        unlink(peakFile_.c_str());
    }
    return result_;
}

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options) {
    ChildProcess child(argv, options);
    return child.Wait();
}

std::string VorlanBatchProgram() {
    return std::string(VORLAN_BIN_DIR) + "/vorlan-batch";
}

std::vector<std::string> VorlanBatchCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{VorlanBatchProgram()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

}  // namespace vorlan::test
