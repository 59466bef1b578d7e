// SPDX-License-Identifier: MIT
// What both modules' entry points share: the record check and the guard
// that keeps every exception on this side of the C boundary.
#pragma once

#include <cstdint>
#include <exception>

#include "engines/CallbackChannel.h"
#include "zip/EngineRecords.h"

namespace vorlan::engine {

// Whether the record is one this engine can read: not NULL, with the layout
// guards of the header it was built from.
template <typename Params>
bool RecordIsReadable(const Params* params) {
    return params != nullptr && params->Version == ENGINE_RECORD_VERSION && params->Trailer == ENGINE_RECORD_TRAILER;
}

// Runs the operation with a callback channel for the record; any exception
// that reaches this far (running out of memory, say) ends it with 0.
template <typename Params, typename Operation>
std::int32_t RunGuarded(const Params* params, Operation operation) noexcept {
    if (!RecordIsReadable(params)) return 0;
    try {
        CallbackChannel channel(params->Callback, params->Caller);
        return operation(*params, channel);
    } catch (...) {
        return 0;  // the operation reports its own failures; this is the last line of defence
    }
}

}  // namespace vorlan::engine
