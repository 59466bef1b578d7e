// SPDX-License-Identifier: MIT
// Suites committed together, so that a power cut leaves every JAR and JAD old
// or new at the cost of one flush per group rather than one per file. Each
// unit (a suite: its JAR and its JAD) is renamed into place as one; the group:
// one flush per file system for the data, an intent journal per folder with
// renames, the renames (a unit's one unnamed file: its link), one flush per
// folder for the names, the journals removed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filecommit/CommitJournal.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"

namespace vorlan {

// A unit that is dropped before its group commits removes its pending files.
struct CommitUnit {
    CommitUnit() = default;
    ~CommitUnit();
    CommitUnit(CommitUnit&&) noexcept = default;
    CommitUnit& operator=(CommitUnit&&) noexcept = default;
    CommitUnit(const CommitUnit&) = delete;
    CommitUnit& operator=(const CommitUnit&) = delete;
    void Discard() noexcept;
    // Hands file over to the unit (its hidden name and its lock): it takes its
    // target's name in folder when the unit commits. Gives the hidden name.
    std::string Add(PendingFile& file, const std::string& folder);
    // Takes file as the unit's one new file (a descriptor beside a JAR left
    // as it was). It stays unnamed until the unit commits, and then takes its
    // target's name with one link, or where something has that name by then,
    // a pending name and a rename. Nothing of it outlives a killed run.
    void AddAlone(PendingFile file, const std::string& folder);
    bool Empty() const { return renames.empty() && !alone; }

    std::vector<PendingRename> renames;  // in the order they are done
    std::unique_ptr<PendingFile> alone;  // or the one file, unnamed
    std::string aloneFolder;             // the folder it goes in, as the caller named it
    std::vector<FileDescriptor> held;    // pending files and locks, released once committed
    // Throws when the unit may no longer be committed (its target changed
    // since it was read); it is then discarded with the targets untouched.
    std::function<void()> verify;
};

class CommitGroup {
public:
    CommitGroup() = default;
    ~CommitGroup();  // discards what was not committed
    CommitGroup(const CommitGroup&) = delete;
    CommitGroup& operator=(const CommitGroup&) = delete;

    void Add(CommitUnit unit);
    std::size_t Size() const { return units_.size(); }

    // Commits every unit and empties the group. One text per unit in the
    // order they were added: empty for a unit now in place, else why not.
    std::vector<std::string> Commit();

    struct Folder;  // the renames, journal and descriptor of one folder touched

private:
    std::vector<std::string> CommitLive(std::vector<std::string> failures);

    std::vector<CommitUnit> units_;
};

}  // namespace vorlan
