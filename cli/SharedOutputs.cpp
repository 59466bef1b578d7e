// SPDX-License-Identifier: MIT
// Entries whose prepared copies would share a name.
#include "cli/SharedOutputs.h"

#include <cctype>
#include <map>
#include <stdexcept>

#include "platform/ShownNames.h"

namespace vorlan {

void RefuseSharedOutputs(BatchSettings& settings) {
    if (settings.outFolder.empty()) return;
    std::map<std::string, std::size_t> firstWithName;  // lower-cased output path -> entry
    for (std::size_t i = 0; i < settings.files.size(); ++i) {
        BatchFile& file = settings.files[i];
        if (!file.refused.empty()) continue;
        std::string key;
        try {
            key = OutputPathIn(settings, file);
        } catch (const std::runtime_error&) {
            continue;  // refused when its step asks for the path
        }
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto [earlier, first] = firstWithName.emplace(key, i);
        if (!first)
            file.refused = "its copy would have the name of the copy of " +
                           ShownFileName(settings.files[earlier->second].shown) + " in the --out folder";
    }
}

}  // namespace vorlan
