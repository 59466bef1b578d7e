// SPDX-License-Identifier: MIT
// UnZDll.so: the extract engine's two C entry points.
#include "engines/EngineEntry.h"
#include "engines/ExtractOperation.h"

extern "C" {

__attribute__((visibility("default"))) std::int32_t UnzDllExec(TUnzipParams* params) {
    return vorlan::engine::RunGuarded(params, vorlan::engine::RunExtraction);
}

__attribute__((visibility("default"))) std::int32_t GetUnzDllVersion(void) {
    return VORLAN_ENGINE_VERSION;
}

}  // extern "C"
