// SPDX-License-Identifier: MIT
// The checks' private folder and their way of failing.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tests/fuzz/FuzzChecks.h"

namespace vorlan::fuzz {

namespace {

class WorkFolder {
public:
    WorkFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vorlan-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) Violation("cannot make a work folder in " + pattern);
        path_ = pattern;
        owner_ = getpid();
    }
    ~WorkFolder() {
        std::error_code ignored;  // a crash leaves the folder for whoever looks into it
        if (getpid() == owner_) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    pid_t owner_ = 0;
};

}  // namespace

void Violation(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

const std::string& FuzzWorkFolder() {
    static const WorkFolder folder;
    return folder.path();
}

}  // namespace vorlan::fuzz
