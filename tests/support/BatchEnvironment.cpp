// SPDX-License-Identifier: MIT
// The in-process batch environment of the tests.
#include "tests/support/BatchEnvironment.h"

#include <algorithm>

#include "midlet/Globals.h"
#include "midlet/TextLines.h"

namespace vorlan::test {

BatchEnvironment::BatchEnvironment(const fs::path& root) : root_(root), previousDirectory_(fs::current_path()) {
    fs::create_directories(scratchRoot());
    fs::create_directories(apiFolder());
    app_.SetTitle("Vorlan");
    SetApp(&app_);
    ScratchRoot = scratchRoot().string() + "/";
    ApiFolder = apiFolder().string() + "/";
    FixTemplatePath = std::string(VORLAN_SOURCE_DIR) + "/data/fix.jar";
    ManifestBuffer = std::make_unique<TextLines>();
}

BatchEnvironment::~BatchEnvironment() {
    std::error_code ignored;  // the folder it started in may be gone with a failed test's files
    fs::current_path(previousDirectory_, ignored);
    SetApp(nullptr);
}

std::vector<std::string> TreeBelow(const fs::path& root) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            name += " -> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            name += "/";
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vorlan::test
