// SPDX-License-Identifier: MIT
// Test users through useradd, userdel and setpriv.
#include "tests/support/TestUser.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "tests/support/TestTools.h"

namespace vorlan::test {

namespace {

// Unique across the tests running at once: the process id and a count.
std::string FreshName() {
    static std::atomic<int> made{0};
    return "vorlant" + std::to_string(::getpid()) + "u" + std::to_string(made++);
}

// useradd and userdel lock the user database: another test, or another
// run on the same machine, may hold it for a moment.
CommandResult RunRetried(const std::vector<std::string>& command) {
    CommandResult result;
    for (int attempt = 0; attempt < 50; ++attempt) {
        result = RunCommand(command);
        if (result.status == 0 || result.errors.find("lock") == std::string::npos) break;
        ::usleep(100000);
    }
    return result;
}

}  // namespace

std::optional<std::string> WhyNoTestUsers() {
    if (::geteuid() != 0) return "a second local user can only be made by root";
    for (const char* tool : {"useradd", "userdel", "setpriv"})
        if (!ToolAvailable(tool)) return std::string(tool) + " is not installed";
    return std::nullopt;
}

TestUser::TestUser(const TestUser* extraGroup) : name_(FreshName()) {
    std::vector<std::string> command{"useradd", "--no-create-home", "--user-group", "--shell", "/usr/sbin/nologin"};
    if (extraGroup != nullptr) command.insert(command.end(), {"--groups", extraGroup->Name()});
    command.push_back(name_);
    const CommandResult made = RunRetried(command);
    if (made.status != 0) throw std::runtime_error("useradd " + name_ + " failed: " + made.errors);
    const passwd* entry = ::getpwnam(name_.c_str());
    if (entry == nullptr) throw std::runtime_error("useradd made no user " + name_);
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
}

TestUser::~TestUser() {
    RunRetried({"userdel", name_});  // the user's own group goes with it
}

std::vector<std::string> TestUser::Command(const std::vector<std::string>& argv) const {
    std::vector<std::string> command{"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
                                     "--init-groups", "--"};
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}

}  // namespace vorlan::test
