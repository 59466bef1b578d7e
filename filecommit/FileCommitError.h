// SPDX-License-Identifier: MIT
// A failure of the file-commit module: what failed, where, and the system's
// error number. Callers with their own error vocabulary (the engines) turn it
// into theirs; the batch shows its text.
#pragma once

#include <stdexcept>
#include <string>

namespace vorlan {

enum class CommitStep { Create, Write, Name, Replace };

class FileCommitError : public std::runtime_error {
public:
    // "what "path": the system's reason", then "; consequence" when given.
    FileCommitError(CommitStep step, const std::string& what, const std::string& path, int errorNumber,
                    const std::string& consequence = {});
    CommitStep Step() const { return step_; }
    int ErrorNumber() const { return errorNumber_; }

private:
    CommitStep step_;
    int errorNumber_;
};

}  // namespace vorlan
