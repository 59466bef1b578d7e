// A file written in a folder without a name until it is complete. When the
// process dies first, the file system drops it and nothing is left behind;
// where the file system has no unnamed files, a hidden temporary name stands
// in. Publishing gives it the target's name directly when that name is free,
// else renames it over the target, replacing a link of that name, never the
// file the link points to.
#pragma once

#include <string>

#include "engines/FileDescriptor.h"

namespace vorlan::engine {

enum class TargetName { mayBeFree, taken };

class UnnamedFile {
public:
    // description names the target in failure messages (EngineError).
    UnnamedFile(int folderFd, std::string description);
    ~UnnamedFile();  // discards the file unless published
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    int fd() const { return fd_.get(); }

    // Closes the file and gives it the target's name in the folder. Raises
    // EntryFailed when the name cannot be taken, EngineError otherwise.
    // taken: a file of that name is known to be there (a replacement), so the
    // name is not tried first.
    void publish(const std::string& targetName, TargetName target = TargetName::mayBeFree);
    void discard() noexcept;

private:
    void openNamed();
    void giveTemporaryName();

    int folderFd_;
    std::string description_;
    FileDescriptor fd_;
    std::string temporaryName_;  // empty while the file has no name
};

}  // namespace vorlan::engine
