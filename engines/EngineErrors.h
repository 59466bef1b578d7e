// SPDX-License-Identifier: MIT
// The failures the engines raise internally. None of them ever leaves an
// exported entry point: the entry points turn them into a result and callbacks.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

#include "filecommit/FileCommitError.h"

namespace vorlan::engine {

// A failure of the operation, with a message that says what and where, and
// the system's error number when a system call failed (0 otherwise): the
// caller tells a full disk from a broken archive by it.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& what, int errorNumber = 0)
        : std::runtime_error(what), errorNumber_(errorNumber) {}
    int ErrorNumber() const { return errorNumber_; }

private:
    int errorNumber_;
};

// The archive as a whole cannot be trusted or read: nothing of it is used
// and it is never modified. Reported with code 11 for the archive's name.
class ArchiveRefused : public EngineError {
public:
    using EngineError::EngineError;
};

// One entry cannot be handled; the operation goes on with the next. Reported
// with code 11 for the entry's name.
class EntryFailed : public EngineError {
public:
    using EngineError::EngineError;
};

// The caller's callback answered non-zero: the operation ends at once.
class OperationStopped : public std::exception {
public:
    const char* what() const noexcept override { return "stopped by the caller"; }
};

// "what: strerror(errno)" for failed system calls.
std::string SystemErrorText(const std::string& what, int errorNumber);

// The failure of a system call as the operation's (Failure EngineError) or
// one entry's (EntryFailed): its text and its error number.
template <typename Failure = EngineError>
Failure SystemFailure(const std::string& what, int errorNumber) {
    return Failure(SystemErrorText(what, errorNumber), errorNumber);
}

// Runs a step of the file-commit module and raises its failure as the
// engines' own: a target name that cannot be taken fails that entry
// (EntryFailed), anything else the operation (EngineError).
template <typename Step>
auto CommitStepOf(Step&& step) -> decltype(step());

template <typename Step>
auto CommitStepOf(Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const FileCommitError& failure) {
        if (failure.Step() == CommitStep::Replace) throw EntryFailed(failure.what(), failure.ErrorNumber());
        throw EngineError(failure.what(), failure.ErrorNumber());
    }
}

}  // namespace vorlan::engine
