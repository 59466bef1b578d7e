// SPDX-License-Identifier: MIT
// A record decoded from archive bytes, or why it could not be: the zip
// format library reports a fault as a value and leaves it to each reader to
// refuse, raise or go on by its own rules.
#pragma once

#include <optional>
#include <utility>

namespace vorlan {

enum class RecordFault {
    Truncated,      // fewer bytes than the record's fixed part
    WrongSignature  // the bytes do not begin with the record's signature
};

template <typename Record>
class Decoded {
public:
    Decoded(Record record) : record_(std::move(record)) {}
    Decoded(RecordFault fault) : fault_(fault) {}

    explicit operator bool() const { return record_.has_value(); }
    const Record& operator*() const { return *record_; }
    const Record* operator->() const { return &*record_; }
    // Meaningful only when no record was decoded.
    RecordFault Fault() const { return fault_; }

private:
    std::optional<Record> record_;
    RecordFault fault_ = RecordFault::Truncated;
};

}  // namespace vorlan
