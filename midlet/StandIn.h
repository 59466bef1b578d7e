// SPDX-License-Identifier: MIT
// A hidden second name for a JAR (".Snake.jar.vorlan-Ab3dE6gH" beside it: a
// hard link, or a copy where the file system has none) that the add engine
// updates as it updates any archive, by writing a new archive and renaming it
// over that name. The JAR itself stays as it was until the suite commits the
// stand-in over it together with the new JAD.
#pragma once

#include <optional>
#include <string>

#include "filecommit/CommitJournal.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan {

class StandIn {
public:
    explicit StandIn(const std::string& jar);
    ~StandIn();  // removes the stand-in unless handed over
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    const std::string& Path() const { return path_; }
    // The stand-in's rename onto the JAR, and the lock of the file it is now
    // (the engine's new archive), held until the commit. Nothing when the
    // engine left it as it was: the JAR needs no replacing.
    std::optional<PendingRename> HandOver(FileDescriptor& lock);

private:
    std::string jar_;
    std::string path_;
    FileDescriptor copyLock_;  // a copy's own lock; a link shares the JAR's
};

}  // namespace vorlan
