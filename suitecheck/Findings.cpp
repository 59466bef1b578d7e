// Findings and attribute lists of the suite checker.
#include "suitecheck/Findings.h"

#include <algorithm>

#include "platform/ShownNames.h"

namespace vorlan {

bool Findings::HasError() const {
    return std::any_of(list_.begin(), list_.end(), [](const Finding& finding) { return finding.error; });
}

std::string QuotedValue(const std::string& value) {
    std::string shown = ShownFileName(value);
    return shown == value ? "\"" + value + "\"" : shown;
}

const std::string* Attributes::Find(std::string_view name) const {
    for (auto it = list_.rbegin(); it != list_.rend(); ++it)
        if (it->first == name) return &it->second;
    return nullptr;
}

}  // namespace vorlan
