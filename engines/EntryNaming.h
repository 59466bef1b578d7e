// SPDX-License-Identifier: MIT
// Entry names in the form the archive component shows them and passes back
// as patterns (see zipformat/NameDecoding.h: the OEM names of DOS-family
// writers converted from the DOS code page of the user's locale), and the
// engines' judgement of names for a JAR. Targets on disk get these names too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engines/CentralDirectory.h"
#include "zipformat/Utf8.h"

namespace vorlan::engine {

// How an archive's names are shown; the first record decides for the whole
// archive whether they are OEM text.
class NameDisplay {
public:
    explicit NameDisplay(const std::vector<RawEntry>& entries);

    // Whether the entry's name is shown as it is stored (no conversion):
    // then matching the stored name is matching the shown one.
    bool AsStored(const RawEntry& entry) const;
    std::string Shown(const RawEntry& entry) const;

private:
    bool oem_ = false;
    std::string codePage_;
};

// Every entry's name as shown, in directory order.
std::vector<std::string> NamesAsShown(const std::vector<RawEntry>& entries);

// Whether a name can be an entry of a JAR as it is: UTF-8 as Java decodes
// entry names (IsWellFormedUtf8; java.util.jar refuses the whole archive for
// a name that is not), and no NUL byte (which zip libraries turn into a
// space or cut the name at).
bool IsJarEntryName(std::string_view name);

}  // namespace vorlan::engine
