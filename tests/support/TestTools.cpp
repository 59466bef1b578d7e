// Test helpers: temporary folders, files, and the real archive tools.
#include "tests/support/TestTools.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace vorlan::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vorlan-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;  // a test that failed half-way may leave odd permissions
    RunCommand({"chmod", "-R", "u+rwX", path_.string()});
    fs::remove_all(path_, ignored);
}

ScopedVariable::ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

ScopedVariable::~ScopedVariable() {
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

namespace {

// Reads both pipes to their ends at once: a child that fills one pipe while
// the other is not read would never finish.
void DrainPipes(int outFd, int errFd, CommandResult& result) {
    std::array<pollfd, 2> pipes{pollfd{outFd, POLLIN, 0}, pollfd{errFd, POLLIN, 0}};
    std::array<std::string*, 2> texts{&result.output, &result.errors};
    std::array<char, 4096> buffer{};
    int open = 2;
    while (open > 0) {
        if (poll(pipes.data(), pipes.size(), -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        for (std::size_t i = 0; i < pipes.size(); ++i) {
            if (pipes[i].fd < 0 || pipes[i].revents == 0) continue;
            const ssize_t n = read(pipes[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                texts[i]->append(buffer.data(), static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                pipes[i].fd = -1;  // poll skips it from now on
                --open;
            }
        }
    }
}

// The test's environment with LC_ALL set to C.UTF-8, made before the fork:
// between fork and exec the child may only make async-signal-safe calls.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (std::string_view(*variable).rfind("LC_ALL=", 0) != 0) environment.emplace_back(*variable);
    environment.emplace_back("LC_ALL=C.UTF-8");
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void ExecChild(char* const* args, char* const* environment, const fs::path& workDir, int out, int err) {
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
    execvpe(args[0], args, environment);
    _exit(127);
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, const fs::path& workDir) {
    int outFds[2];
    int errFds[2];
    if (pipe2(outFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (pipe2(errFds, O_CLOEXEC) != 0) {
        close(outFds[0]);
        close(outFds[1]);
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = ChildEnvironment();
    const std::vector<char*> args = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) ExecChild(args.data(), envp.data(), workDir, outFds[1], errFds[1]);
    close(outFds[1]);
    close(errFds[1]);
    CommandResult result;
    DrainPipes(outFds[0], errFds[0], result);
    close(outFds[0]);
    close(errFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

bool ToolAvailable(const std::string& program) {
    return RunCommand({"sh", "-c", "command -v " + program}).status == 0;
}

namespace {

void Stage(const Files& files, const fs::path& folder) {
    for (const auto& [name, content] : files) {
        if (!name.empty() && name.back() == '/')
            fs::create_directories(folder / name);
        else
            WriteFile(folder / name, content);
    }
}

void Require(const CommandResult& result, const std::string& what) {
    if (result.status != 0) throw std::runtime_error(what + " failed: " + result.output + result.errors);
}

const char* kPythonPacker = R"(
import sys, zipfile
archive, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        if name.endswith("/"):
            z.writestr(name, b"")
        else:
            z.write(folder + "/" + name, name)
)";

}  // namespace

void PackWith(const std::string& tool, const Files& files, const fs::path& archive) {
    TempDir staging;
    Stage(files, staging.path());
    const fs::path target = fs::absolute(archive);
    fs::remove(target);
    if (tool == "jar") {
        const bool manifest = files.count("META-INF/MANIFEST.MF") != 0;
        std::vector<std::string> argv{"jar", manifest ? "cfm" : "cfM", target.string()};
        if (manifest) argv.push_back((staging.path() / "META-INF/MANIFEST.MF").string());
        for (const auto& [name, content] : files)
            if (name.rfind("META-INF/MANIFEST.MF", 0) != 0 && name != "META-INF/") argv.push_back(name);
        Require(RunCommand(argv, staging.path()), "jar");
    } else if (tool == "zip") {
        std::vector<std::string> argv{"zip", "-q", "-X", target.string()};
        for (const auto& [name, content] : files) argv.push_back(name);
        Require(RunCommand(argv, staging.path()), "zip");
    } else if (tool == "python") {
        std::vector<std::string> argv{"python3", "-c", kPythonPacker, target.string(), staging.str()};
        for (const auto& [name, content] : files) argv.push_back(name);
        Require(RunCommand(argv), "python zipfile");
    } else {
        throw std::runtime_error("unknown packing tool " + tool);
    }
}

bool UnzipTestPasses(const fs::path& archive) {
    return RunCommand({"unzip", "-tqq", archive.string()}).status == 0;
}

std::vector<std::string> JavaReadManifest(const fs::path& jar) {
    // Compiled once per version of its source, which the folder's name tells.
    const std::string source = std::string(VORLAN_SOURCE_DIR) + "/tests/support/JarCheck.java";
    const fs::path classes =
        fs::path(VORLAN_TEST_WORK_DIR) / ("jarcheck-" + std::to_string(std::hash<std::string>{}(ReadFile(source))));
    if (!fs::exists(classes / "JarCheck.class")) {
        // Tests run in parallel: compile aside, then move into place once.
        const fs::path aside = classes.string() + ".tmp" + std::to_string(getpid());
        fs::create_directories(aside);
        Require(RunCommand({"javac", "-d", aside.string(), source}), "javac JarCheck");
        std::error_code lostTheRace;  // another test put it there first: same class
        fs::rename(aside, classes, lostTheRace);
        fs::remove_all(aside, lostTheRace);
    }
    const CommandResult result = RunCommand({"java", "-cp", classes.string(), "JarCheck", jar.string()});
    if (result.status != 0)
        throw std::runtime_error("Java cannot read " + jar.string() + ": " + result.output + result.errors);
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace vorlan::test
