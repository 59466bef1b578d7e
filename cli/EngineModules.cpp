// SPDX-License-Identifier: MIT
// The engine modules beside vorlan-batch.
#include "cli/EngineModules.h"

#include <unistd.h>

#include <stdexcept>
#include <string>

#include "platform/ProcessPaths.h"
#include "zip/EngineModule.h"
#include "zip/EngineRecords.h"

namespace vorlan {

void RequireEngineModules() {
    const std::string folder = ExecutableFolder();
    for (const char* name : {ZIPDLL_FILE_NAME, UNZDLL_FILE_NAME}) {
        const std::string path = folder + name;
        if (access(path.c_str(), F_OK) != 0)
            throw std::runtime_error("the engine module " + std::string(name) + " is missing: looked for " + path +
                                     "; it belongs beside vorlan-batch (build or install Vorlan again)");
        // Loaded only to see that it can be; the batch loads it again when it needs it.
        const EngineModule module = EngineModule::Load(path, {});
        if (!module.Loaded())
            throw std::runtime_error("the engine module " + path + " cannot be loaded: " + module.FailureDetail());
    }
}

}  // namespace vorlan
