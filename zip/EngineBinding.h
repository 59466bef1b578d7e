// SPDX-License-Identifier: MIT
// The process-wide binding of the two engine modules, shared by every TZip:
// the entry points of ZipDll.so and UnZDll.so while they are loaded.
#pragma once

#include "zip/EngineRecords.h"

namespace vorlan {

// The operation entries; nullptr while the module is not loaded.
ZipDllExecProc ZipEngineExec();
UnzDllExecProc UnzEngineExec();

}  // namespace vorlan
