// SPDX-License-Identifier: MIT
// Case-insensitive lookups in folders opened with O_NOFOLLOW.
#include "engines/FolderLookup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "engines/EngineErrors.h"
#include "platform/FolderListing.h"

namespace vorlan::engine {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

std::unique_ptr<Folder> Folder::OpenCurrent() {
    FileDescriptor fd(::open(".", kFolderFlags));
    if (!fd.Valid()) throw EngineError(SystemErrorText("Cannot open the current folder", errno));
    return std::unique_ptr<Folder>(new Folder(std::move(fd)));
}

// One pass over the folder the first time a name is looked up in it; later
// lookups and the names this process creates keep the listing current.
void Folder::LoadListing() {
    listed_ = true;
    std::vector<ListedItem> items;
    if (!ListFolder(fd_.Get(), items)) throw EngineError(SystemErrorText("Cannot list a folder", errno));
    for (ListedItem& item : items) names_.insert(std::move(item.name));
}

std::optional<std::string> Folder::ExistingName(std::string_view name) {
    if (!listed_) LoadListing();
    const auto [first, last] = names_.equal_range(name);
    if (first == last) return std::nullopt;
    for (auto it = first; it != last; ++it)
        if (*it == name) return *it;
    return *first;
}

void Folder::Remember(const std::string& name) {
    if (!listed_) LoadListing();
    const auto [first, last] = names_.equal_range(name);
    for (auto it = first; it != last; ++it)
        if (*it == name) return;
    names_.insert(name);
}

std::unique_ptr<Folder> Folder::OpenSubfolder(const std::string& name, FolderCreation creation) {
    // The exact name wins whenever it exists, so opening it first spares
    // the folder's listing, which only a name missing as given needs.
    if (name != "." && name != "..") {
        FileDescriptor exact(::openat(fd_.Get(), name.c_str(), kFolderFlags));
        if (exact.Valid()) return std::unique_ptr<Folder>(new Folder(std::move(exact)));
        if (errno == ELOOP || errno == ENOTDIR) return nullptr;  // a link or a file of that name
    }
    std::optional<std::string> onDisk = ExistingName(name);
    if (!onDisk) {
        if (creation == FolderCreation::LookOnly) return nullptr;
        if (::mkdirat(fd_.Get(), name.c_str(), 0777) != 0 && errno != EEXIST)
            throw SystemFailure<EntryFailed>("Cannot create the folder \"" + name + "\"", errno);
        Remember(name);
        onDisk = name;
    }
    FileDescriptor fd(::openat(fd_.Get(), onDisk->c_str(), kFolderFlags));
    if (!fd.Valid()) return nullptr;  // a link (ELOOP, ENOTDIR) or a file of that name
    return std::unique_ptr<Folder>(new Folder(std::move(fd)));
}

}  // namespace vorlan::engine
