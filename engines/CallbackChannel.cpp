// SPDX-License-Identifier: MIT
// Filling callback records and reading the caller's answers.
#include "engines/CallbackChannel.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engines/EngineErrors.h"

namespace vorlan::engine {

namespace {

// Answers preset in the record: a callback that leaves them alone (or no
// callback at all) gets the choice that writes and replaces nothing.
constexpr std::int32_t kNoAnswer = 0;

}  // namespace

std::int32_t ClampToInt32(std::uint64_t value) {
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(value, kLargest));
}

CallbackChannel::CallbackChannel(EngineCallbackProc callback, void* caller) : callback_(callback), caller_(caller) {}

CallbackRecord CallbackChannel::Call(EngineActionCode code, std::string_view text, std::int32_t status,
                                     std::int32_t value) {
    if (stopped_) throw OperationStopped();
    CallbackRecord record;
    std::memset(&record, 0, sizeof record);
    record.Caller = caller_;
    record.EngineVersion = VORLAN_ENGINE_VERSION;
    record.ActionCode = code;
    record.Status = status;
    record.Value = value;
    const std::size_t length = std::min(text.size(), sizeof record.Text - 1);
    if (length > 0) std::memcpy(record.Text, text.data(), length);
    if (callback_ != nullptr && callback_(&record) != 0) {
        stopped_ = true;
        throw OperationStopped();
    }
    record.Text[sizeof record.Text - 1] = '\0';  // whatever the callback wrote there
    return record;
}

void CallbackChannel::BatchCount(std::uint64_t files) {
    Call(ACTION_BATCH_COUNT, {}, 0, ClampToInt32(files));
}
void CallbackChannel::BatchBytes(std::uint64_t bytes) {
    Call(ACTION_BATCH_BYTES, {}, 0, ClampToInt32(bytes));
}
void CallbackChannel::BeginFile(std::string_view name, std::uint64_t size) {
    Call(ACTION_BEGIN_FILE, name, 0, ClampToInt32(size));
}
void CallbackChannel::Progress(std::uint64_t bytes) {
    Call(ACTION_PROGRESS, {}, 0, ClampToInt32(bytes));
}
void CallbackChannel::Skipped(std::string_view name) {
    Call(ACTION_SKIPPED, name, 0, 0);
}
void CallbackChannel::EndBatch() {
    Call(ACTION_END_BATCH, {}, 0, 0);
}
void CallbackChannel::Message(std::string_view text, int errorNumber) {
    Call(ACTION_MESSAGE, text, 0, errorNumber);
}

OverwriteAnswer CallbackChannel::AskOverwrite(std::string_view name, ExistingFileAge age) {
    const std::int32_t olderBit = age == ExistingFileAge::Older ? 1 : 0;
    const CallbackRecord answer = Call(ACTION_OVERWRITE, name, olderBit, kNoAnswer);
    return answer.Value == 1 ? OverwriteAnswer::Replace : OverwriteAnswer::Skip;
}

DamagedDataAnswer CallbackChannel::AskDamagedData(std::string_view name) {
    const CallbackRecord answer = Call(ACTION_CRC_ERROR, name, kNoAnswer, 0);
    return answer.Status == 1 ? DamagedDataAnswer::Keep : DamagedDataAnswer::Discard;
}

std::optional<std::string> CallbackChannel::AskPassword(std::string_view name, int furtherTries) {
    const CallbackRecord answer = Call(ACTION_PASSWORD, name, kNoAnswer, furtherTries);
    if (answer.Status != 1 || answer.Text[0] == '\0') return std::nullopt;
    return std::string(answer.Text);
}

}  // namespace vorlan::engine
