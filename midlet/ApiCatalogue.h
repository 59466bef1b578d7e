// SPDX-License-Identifier: MIT
// The API catalogue: the archives whose files a batch can add into every JAR.
// The program's own API folder (ApiFolder) comes first, then the user's
// (UserApiFolder), which a system install leaves writable: each gives every
// ".rar", then every ".jar", then every ".zip", each group in the file
// system's order. A user archive named like one of the program's own is left
// out: a name stands for one archive. The window and vorlan-batch fill their
// lists from here.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

// "$XDG_DATA_HOME/vorlan/API/", or "$HOME/.local/share/vorlan/API/" when
// XDG_DATA_HOME is unset, empty or relative; empty when neither gives a folder.
std::string UserApiFolderFromEnvironment();

// The bare archive names of ApiFolder, then those of UserApiFolder; a missing
// folder gives none.
std::vector<std::string> ReadApiCatalogue();

// Where the catalogue's archive of this name lies: in ApiFolder when an entry
// of that name is there, else in UserApiFolder.
std::string ApiArchivePath(const std::string& name);

}  // namespace vorlan
