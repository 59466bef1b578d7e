// SPDX-License-Identifier: MIT
// Message text for failed system calls.
#include "engines/EngineErrors.h"

#include <cstring>

namespace vorlan::engine {

std::string SystemErrorText(const std::string& what, int errorNumber) {
    return what + ": " + std::strerror(errorNumber);
}

}  // namespace vorlan::engine
