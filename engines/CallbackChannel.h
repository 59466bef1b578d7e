// SPDX-License-Identifier: MIT
// Everything the engines tell or ask their caller goes through here: the
// callback record is filled, the caller's callback is called, its answer is
// read back. A non-zero result stops the operation (OperationStopped), and
// after that the callback is never called again. A record whose Callback is
// NULL gets the conservative answer to every question.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zip/EngineRecords.h"

namespace vorlan::engine {

enum class OverwriteAnswer { Replace, Skip };
enum class DamagedDataAnswer { Keep, Discard };
enum class ExistingFileAge { Older, SameOrNewer };

class CallbackChannel {
public:
    CallbackChannel(EngineCallbackProc callback, void* caller);

    void BatchCount(std::uint64_t files);
    void BatchBytes(std::uint64_t bytes);
    void BeginFile(std::string_view name, std::uint64_t size);
    void Progress(std::uint64_t bytes);
    void Skipped(std::string_view name);
    void EndBatch();
    // Why an operation or an entry failed; the component leaves code 4 alone,
    // other callers may show it.
    // errorNumber: the system's error number behind the message, 0 when none.
    void Message(std::string_view text, int errorNumber = 0);

    OverwriteAnswer AskOverwrite(std::string_view name, ExistingFileAge age);
    DamagedDataAnswer AskDamagedData(std::string_view name);
    // The password to try, or nothing when the caller gives none.
    std::optional<std::string> AskPassword(std::string_view name, int furtherTries);

    bool Stopped() const { return stopped_; }

private:
    // Calls back with the record prepared; raises OperationStopped on a
    // non-zero result and returns the record as the callback left it.
    CallbackRecord Call(EngineActionCode code, std::string_view text, std::int32_t status, std::int32_t value);

    EngineCallbackProc callback_;
    void* caller_;
    bool stopped_ = false;
};

// Sizes and counts travel as signed 32-bit values: larger ones are clamped.
std::int32_t ClampToInt32(std::uint64_t value);

}  // namespace vorlan::engine
