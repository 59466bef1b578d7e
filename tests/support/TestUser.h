// SPDX-License-Identifier: MIT
// Local users made for a test, where another user's files, or Vorlan run by
// a user who is not root, must be tried for real: made with useradd under a
// name no other test or run uses, removed with userdel when the object goes.
// Only root may make users: elsewhere such a test is skipped with the reason
// WhyNoTestUsers gives, never passed silently.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vorlan::test {

// Why no users can be made here; nothing when they can.
std::optional<std::string> WhyNoTestUsers();

class TestUser {
public:
    // A user with a group of its own and no home folder; it also joins
    // the group of extraGroup when given. Throws when useradd fails.
    explicit TestUser(const TestUser* extraGroup = nullptr);
    ~TestUser();
    TestUser(const TestUser&) = delete;
    TestUser& operator=(const TestUser&) = delete;

    const std::string& Name() const { return name_; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }

    // argv run as this user, with its groups (setpriv), for ChildProcess.
    std::vector<std::string> Command(const std::vector<std::string>& argv) const;

private:
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

}  // namespace vorlan::test
