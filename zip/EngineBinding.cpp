// SPDX-License-Identifier: MIT
// LoadZipDll, LoadUnzDll and UnloadDlls: the engines are loaded on first use
// from LibraryDir (or the executable's folder) and kept in process-wide state.
#include "zip/EngineBinding.h"

#include <cstring>

#include "platform/ProcessPaths.h"
#include "zip/EngineModule.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

struct EngineState {
    EngineModule zipModule;
    EngineModule unzModule;
};

// Never destroyed: a component that outlives main() (a static one) may still
// unload the engines from its destructor.
EngineState& Engines() {
    static EngineState* state = new EngineState;
    return *state;
}

// dlsym gives object pointers; the entries are functions.
template <typename Procedure>
Procedure AsProcedure(void* address) {
    Procedure procedure = nullptr;
    static_assert(sizeof procedure == sizeof address);
    std::memcpy(&procedure, &address, sizeof procedure);
    return procedure;
}

std::string ModulePath(const std::string& libraryDir, const char* fileName) {
    const std::string folder = libraryDir.empty() ? ExecutableFolder() : AddBackslash(libraryDir);
    return folder + fileName;
}

// A failed load is not reported here: the operation that needed the engine
// raises its own "Unable to load" error.
bool Bind(EngineModule& module, const std::string& libraryDir, const char* fileName, const char* execName,
          const char* versionName) {
    if (module.Loaded()) return true;
    module = EngineModule::Load(ModulePath(libraryDir, fileName), {execName, versionName});
    return module.Loaded();
}

}  // namespace

bool TZip::LoadZipDll() {
    return Bind(Engines().zipModule, LibraryDir, ZIPDLL_FILE_NAME, "ZipDllExec", "GetZipDllVersion");
}

bool TZip::LoadUnzDll() {
    return Bind(Engines().unzModule, LibraryDir, UNZDLL_FILE_NAME, "UnzDllExec", "GetUnzDllVersion");
}

void TZip::UnloadDlls() {
    Engines().zipModule.Unload();
    Engines().unzModule.Unload();
}

ZipDllExecProc ZipEngineExec() {
    const EngineModule& module = Engines().zipModule;
    return module.Loaded() ? AsProcedure<ZipDllExecProc>(module.Entry(0)) : nullptr;
}

UnzDllExecProc UnzEngineExec() {
    const EngineModule& module = Engines().unzModule;
    return module.Loaded() ? AsProcedure<UnzDllExecProc>(module.Entry(0)) : nullptr;
}

}  // namespace vorlan
