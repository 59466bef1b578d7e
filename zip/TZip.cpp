// SPDX-License-Identifier: MIT
// TZip's construction, destruction, entry access and the unit's small path
// helpers. Opening archives, the operations and the engine binding live in
// their own files.
#include "zip/TZip.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ProcessPaths.h"
#include "zip/LinuxVolumeServices.h"

namespace vorlan {

TZip::TZip() : TempDir(GetTempDir()) {}

TZip::~TZip() {
    // The engine handles are shared by every component; destroying any one of
    // them releases both, and the next operation loads them again.
    UnloadDlls();
}

void TZip::GetEntry(std::int32_t index, TFileInfo& info) const {
    info = Entry(index);
}

const TFileInfo& TZip::Entry(std::int32_t index) const {
    if (index < 0 || index >= EntryCount()) throw ZipException("Index range error");
    return entries_[static_cast<std::size_t>(index)];
}

VolumeServices& TZip::Volumes() const {
    if (volumes_ != nullptr) return *volumes_;
    return SystemVolumeServices();
}

void TZip::CancelOperation() {
    Cancelled = true;
}

// The name comes from the Windows program, where the separator was "\"; on
// Linux the separator added is "/".
std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == '/') return path;
    return path + '/';
}

// $TMPDIR, or /tmp when it is unset or empty, always ending in "/". The
// executable's folder stands in should that ever come out empty.
std::string GetTempDir() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder = (fromEnvironment != nullptr && *fromEnvironment != '\0') ? fromEnvironment : "/tmp";
    folder = AddBackslash(folder);
    if (folder.empty()) folder = ExecutableFolder();
    return folder;
}

std::string SlashesToBackslashes(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

}  // namespace vorlan
