// SPDX-License-Identifier: MIT
// The API catalogue over the program's and the user's API folders.
#include "midlet/ApiCatalogue.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "midlet/Globals.h"
#include "platform/FindFiles.h"

namespace vorlan {

namespace {

std::vector<std::string> ArchivesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const char* extension : {".rar", ".jar", ".zip"}) AddFilesByExtension(folder, extension, names);
    return names;
}

// An entry of any kind: the catalogue lists whatever the folder holds under
// the name, a dangling link included.
bool EntryExists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string UserApiFolderFromEnvironment() {
    // Relative values do not count: XDG data folders are absolute paths
    // only, and a relative one would depend on the current directory.
    std::string dataHome = Variable("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.front() != '/') {
        const std::string home = Variable("HOME");
        if (home.empty() || home.front() != '/') return {};
        dataHome = home + "/.local/share";
    }
    if (dataHome.back() != '/') dataHome += '/';
    return dataHome + "vorlan/API/";
}

std::vector<std::string> ReadApiCatalogue() {
    std::vector<std::string> catalogue = ArchivesIn(ApiFolder);
    if (UserApiFolder.empty() || UserApiFolder == ApiFolder) return catalogue;
    const std::size_t own = catalogue.size();
    for (std::string& name : ArchivesIn(UserApiFolder)) {
        const auto ownEnd = catalogue.begin() + static_cast<std::ptrdiff_t>(own);
        if (std::find(catalogue.begin(), ownEnd, name) == ownEnd) catalogue.push_back(std::move(name));
    }
    return catalogue;
}

std::string ApiArchivePath(const std::string& name) {
    if (UserApiFolder.empty() || EntryExists(ApiFolder + name)) return ApiFolder + name;
    return UserApiFolder + name;
}

}  // namespace vorlan
