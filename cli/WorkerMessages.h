// SPDX-License-Identifier: MIT
// What a --jobs worker process tells vorlan-batch through its socket: how
// each of its entries ended, API archives it had to leave out, and the
// message that closes its batch. Messages are framed with their lengths, so
// a text may hold any byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "midlet/SuiteFacts.h"

namespace vorlan {

struct EntryOutcome {
    int index = 0;  // in the whole file list
    bool succeeded = false;
    std::string failure;
    std::vector<std::string> warnings;  // shown before the entry's line
    SuiteFacts facts;                   // what the worker learned of the suite
};

struct ApiLeftOut {
    std::string archive;
    std::string failure;
    bool entryOnly = false;  // one entry of the archive, the rest of it used
};

struct BatchFinished {
    std::string text;
};

using WorkerMessage = std::variant<EntryOutcome, ApiLeftOut, BatchFinished>;

std::string Encode(const WorkerMessage& message);

// Collects bytes as they arrive and gives whole messages back.
class WorkerMessageReader {
public:
    void Append(const char* bytes, std::size_t count) { pending_.append(bytes, count); }
    // The next whole message, or nothing until more bytes arrive. Throws
    // std::runtime_error for bytes that are no message.
    std::optional<WorkerMessage> Next();
    // Bytes of a message not yet complete.
    bool HoldsPartialMessage() const { return !pending_.empty(); }

private:
    std::string pending_;
};

}  // namespace vorlan
