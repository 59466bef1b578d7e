// SPDX-License-Identifier: MIT
// The engine modules vorlan-batch needs for every batch, looked for before it
// starts: without them each file would fail alike with a terse message.
#pragma once

namespace vorlan {

// Throws std::runtime_error naming the module that is missing (or cannot be
// loaded) and the folder where it was looked for: the executable's folder.
void RequireEngineModules();

}  // namespace vorlan
