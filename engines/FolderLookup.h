// SPDX-License-Identifier: MIT
// Folders opened without following links, with names looked up ignoring
// letter case, as on the file systems the suites come from: an existing
// "meta-inf" is the folder META-INF, an existing "manifest.mf" is the file
// MANIFEST.MF, and only one file of a name ever exists.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "engines/EntryPatterns.h"
#include "filecommit/FileDescriptor.h"

namespace vorlan::engine {

enum class FolderCreation { Create, LookOnly };

class Folder {
public:
    // Opens the process's current directory.
    static std::unique_ptr<Folder> OpenCurrent();

    int Fd() const { return fd_.Get(); }

    // The name on disk equal to name ignoring letter case (the exact name
    // when it exists), or nothing.
    std::optional<std::string> ExistingName(std::string_view name);
    // Records a name this process just created.
    void Remember(const std::string& name);

    // The subfolder of that name ignoring case, created when missing and
    // asked to. Nothing when a link, a file or a failure is in the way: a
    // link in a target path is never followed.
    std::unique_ptr<Folder> OpenSubfolder(const std::string& name, FolderCreation creation);

private:
    explicit Folder(FileDescriptor fd) : fd_(std::move(fd)) {}
    void LoadListing();

    FileDescriptor fd_;
    bool listed_ = false;
    std::unordered_multiset<std::string, NameKeyHash, NameKeyEqual> names_;  // equal ignoring case
};

}  // namespace vorlan::engine
