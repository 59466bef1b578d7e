// SPDX-License-Identifier: MIT
// The parameter records' fixed values and option switches.
#include "zip/ParamRecords.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "zip/ExistingPaths.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

constexpr std::int32_t kReserved40 = -1;
constexpr std::int32_t kReserved56 = -1;
constexpr std::int32_t kReserved104 = 3;
constexpr std::int32_t kDeflateLevel = 9;
constexpr std::uint16_t kRecurseAll = 0xFFFF;

std::int32_t Switch(bool on) {
    return on ? kSwitchOn : kSwitchOff;
}

// The add engine resolves its file patterns against the current directory.
void EnterAddBaseDir(const std::string& folder) {
    if (!IsExistingFolder(folder)) return;
    if (chdir(folder.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "Unable to make \"" + folder + "\" the current folder");
    }
}

}  // namespace

void InitUnzipParams(TUnzipParams& params, TZip& zip) {
    const TOptionSet options = zip.ExtractOptions;
    params.Version = ENGINE_RECORD_VERSION;
    params.Caller = &zip;
    params.Reserved40 = kReserved40;
    params.Callback = EngineCallback;
    params.Reserved16 = 0;
    params.Reserved44 = 0;
    params.Reserved32 = 0;
    params.Reserved36 = 0;
    params.DirectoryNames = Switch(HasFlag(options, 4));
    params.AskOverwrite = Switch(!HasFlag(options, 0) && !HasFlag(options, 1) && !HasFlag(options, 2));
    // At most one of the three overwrite modes, the first whose flag is held.
    if (HasFlag(options, 0)) {
        params.Update = kSwitchOn;
    } else if (HasFlag(options, 1)) {
        params.Freshen = kSwitchOn;
    } else if (HasFlag(options, 2)) {
        params.OverwriteAll = kSwitchOn;
    }
    params.Reserved104 = kReserved104;
    params.Trailer = ENGINE_RECORD_TRAILER;
}

void InitZipParams(TZipParams& params, TZip& zip) {
    params.Version = ENGINE_RECORD_VERSION;
    params.Caller = &zip;
    params.Reserved56 = kReserved56;
    params.Callback = EngineCallback;
    params.Level = kDeflateLevel;
    params.Trailer = ENGINE_RECORD_TRAILER;
    params.AddFiles = kSwitchOn;
    EnterAddBaseDir(zip.AddBaseDir);

    const TOptionSet options = zip.AddOptions;
    if (HasFlag(options, 1)) {
        params.OptionFlag1 = kSwitchOn;
    } else if (HasFlag(options, 0)) {
        params.OptionFlag0 = kSwitchOn;
    }
    params.OptionFlag6 = Switch(HasFlag(options, 6));
    params.OptionFlag7 = Switch(HasFlag(options, 7));
    params.Encrypt = Switch(!zip.Password.empty());
    params.Recurse = HasFlag(options, 2) ? kRecurseAll : 0;
    params.NoSubfolderFlags = Switch(!HasFlag(options, 2) && !HasFlag(options, 3));
    params.JunkDirNames = Switch(!HasFlag(options, 4));
}

}  // namespace vorlan
