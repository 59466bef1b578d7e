// SPDX-License-Identifier: MIT
// ZipDll.so: the add engine's two C entry points.
#include "engines/EngineEntry.h"
#include "engines/UpdateOperation.h"

extern "C" {

__attribute__((visibility("default"))) std::int32_t ZipDllExec(TZipParams* params) {
    return vorlan::engine::RunGuarded(params, vorlan::engine::RunUpdate);
}

__attribute__((visibility("default"))) std::int32_t GetZipDllVersion(void) {
    return VORLAN_ENGINE_VERSION;
}

}  // extern "C"
