// SPDX-License-Identifier: MIT
// A folder another user may write to (sticky like /tmp, or group-writable
// with the set-group-id bit), holding a suite of the user who runs Vorlan
// (the victim: root, or a user made for the test) beside whatever a second
// user made for the test (the attacker) plants there; a folder outside it
// with another suite of the victim's. Vorlan runs as the victim, as a child
// process: vorlan-batch in the shared folder.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestTools.h"
#include "tests/support/TestUser.h"

namespace vorlan::test {

enum class Victim { root, user };
enum class FolderKind { sticky, groupWritable };

void PrintTo(Victim victim, std::ostream* out);

// A JAR with a manifest, its class holding marker.
std::string SuiteJar(const std::string& marker);

class SharedFolderScene {
public:
    // Throws when the users cannot be made (see WhyNoTestUsers).
    SharedFolderScene(Victim victim, FolderKind kind);

    const fs::path& Shared() const { return shared_; }
    const fs::path& Outside() const { return outside_; }
    const fs::path& Work() const { return work_.path(); }

    // A file or link of the attacker's, or of the victim's, in the scene.
    void Plant(const fs::path& path, const std::string& bytes, mode_t mode = 0644) const;
    void PlantLink(const fs::path& path, const fs::path& target) const;
    void GiveToVictim(const fs::path& path, mode_t mode = 0644) const;

    // Every file of the shared and the outside folder by relative path: its
    // kind, owner, permission bits and bytes (a link's target).
    std::map<std::string, std::string> State() const;

    // vorlan-batch run by the victim in the shared folder, with an API
    // folder holding api.zip.
    ChildResult RunVictim(const std::vector<std::string>& arguments) const;

private:
    void Own(const fs::path& path, uid_t uid, gid_t gid) const;

    Victim victim_;
    TempDir work_;
    TestUser attacker_;
    std::optional<TestUser> victimUser_;
    uid_t victimUid_ = 0;
    gid_t victimGid_ = 0;
    fs::path shared_, outside_, runtime_;
};

}  // namespace vorlan::test
