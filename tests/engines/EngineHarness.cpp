// SPDX-License-Identifier: MIT
// Loading the engines and running them on zero-filled records.
#include "tests/engines/EngineHarness.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vorlan::test {

namespace {

CallbackScript* currentScript = nullptr;

std::int32_t RecordingCallback(CallbackRecord* record) {
    CallbackScript& script = *currentScript;
    const int number = static_cast<int>(script.calls.size());
    script.calls.push_back({record->ActionCode, record->Status, record->Value, record->Text, record->Caller});
    if (script.beforeAnswer) script.beforeAnswer(number);
    if (record->ActionCode == ACTION_OVERWRITE) record->Value = script.overwriteAnswer;
    if (record->ActionCode == ACTION_CRC_ERROR) record->Status = script.damagedAnswer;
    if (record->ActionCode == ACTION_PASSWORD) {
        record->Status = script.passwords.empty() ? 0 : 1;
        if (!script.passwords.empty()) {
            std::strncpy(record->Text, script.passwords.front().c_str(), sizeof record->Text - 1);
            script.passwords.erase(script.passwords.begin());
        }
    }
    return number == script.stopAtCall ? -1 : 0;
}

void* Symbol(void* module, const char* name) {
    void* symbol = dlsym(module, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("missing entry ") + name);
    return symbol;
}

void* Load(const char* fileName) {
    const std::string path = std::string(VORLAN_BIN_DIR) + "/" + fileName;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) throw std::runtime_error(std::string("cannot load ") + path + ": " + dlerror());
    return module;
}

// The current directory is the channel to the engines; put back after the call.
template <typename Call>
std::int32_t InFolder(const fs::path& folder, CallbackScript& script, Call call) {
    const fs::path previous = fs::current_path();
    CallbackScript* const outerScript = currentScript;  // a call made from inside a callback
    fs::current_path(folder);
    currentScript = &script;
    const std::int32_t result = call();
    currentScript = outerScript;
    fs::current_path(previous);
    return result;
}

}  // namespace

std::vector<std::uint32_t> CallbackScript::codes() const {
    std::vector<std::uint32_t> result;
    for (const RecordedCall& call : calls) result.push_back(call.code);
    return result;
}

std::vector<RecordedCall> CallbackScript::withCode(std::uint32_t code) const {
    std::vector<RecordedCall> result;
    for (const RecordedCall& call : calls)
        if (call.code == code) result.push_back(call);
    return result;
}

std::vector<std::string> CallbackScript::skippedNames() const {
    std::vector<std::string> names;
    for (const RecordedCall& call : withCode(ACTION_SKIPPED)) names.push_back(call.text);
    return names;
}

std::int64_t CallbackScript::progressTotal() const {
    std::int64_t total = 0;
    for (const RecordedCall& call : withCode(ACTION_PROGRESS)) total += call.value;
    return total;
}

const Engines& Engines::Loaded() {
    static const Engines engines = [] {
        Engines loaded;
        void* zip = Load(ZIPDLL_FILE_NAME);
        void* unzip = Load(UNZDLL_FILE_NAME);
        loaded.zipExec = reinterpret_cast<ZipDllExecProc>(Symbol(zip, "ZipDllExec"));
        loaded.zipVersion = reinterpret_cast<GetZipDllVersionProc>(Symbol(zip, "GetZipDllVersion"));
        loaded.unzipExec = reinterpret_cast<UnzDllExecProc>(Symbol(unzip, "UnzDllExec"));
        loaded.unzipVersion = reinterpret_cast<GetUnzDllVersionProc>(Symbol(unzip, "GetUnzDllVersion"));
        return loaded;
    }();
    return engines;
}

std::int32_t RunExtract(const ExtractRequest& request, CallbackScript& script) {
    const std::string archive = fs::absolute(request.archive).string();
    std::vector<TUnzipFileSpec> specs(request.patterns.size());
    for (std::size_t i = 0; i < specs.size(); ++i) specs[i].FileSpec = request.patterns[i].c_str();
    TUnzipParams params{};
    params.Caller = &script;
    params.Version = ENGINE_RECORD_VERSION;
    params.Callback = &RecordingCallback;
    params.Password = request.password;
    params.OverwriteAll = request.overwriteAll ? -1 : 0;
    params.Freshen = request.freshen ? -1 : 0;
    params.DirectoryNames = request.directoryNames ? -1 : 0;
    params.AskOverwrite = request.overwriteAll ? 0 : -1;
    params.FileSpecCount = static_cast<std::int32_t>(specs.size());
    params.ZipFileName = archive.c_str();
    params.FileSpecs = specs.empty() ? nullptr : specs.data();
    params.Reserved40 = -1;
    params.Reserved104 = 3;
    params.Trailer = ENGINE_RECORD_TRAILER;
    return InFolder(request.folder, script, [&] { return Engines::Loaded().unzipExec(&params); });
}

std::int32_t RunAdd(const AddRequest& request, CallbackScript& script) {
    const std::string archive =
        request.archive.is_absolute() ? request.archive.string() : fs::absolute(request.archive).string();
    std::vector<TZipFileSpec> specs(request.patterns.size());
    for (std::size_t i = 0; i < specs.size(); ++i) specs[i].FileSpec = request.patterns[i].c_str();
    TZipParams params{};
    params.Caller = &script;
    params.Version = ENGINE_RECORD_VERSION;
    params.Callback = &RecordingCallback;
    params.Password = request.password;
    params.Encrypt = request.password != nullptr ? -1 : 0;
    params.JunkDirNames = request.junkDirNames ? -1 : 0;
    params.Reserved56 = -1;
    params.Level = request.level;
    params.Recurse = request.recurse ? 0xFFFF : 0;
    params.AddFiles = -1;
    params.DeleteEntries = request.deleteEntries ? -1 : 0;
    params.FileSpecCount = static_cast<std::int32_t>(specs.size());
    params.ZipFileName = archive.c_str();
    params.TempDir = "";
    params.ArchiveComment = request.comment;
    params.FileSpecs = specs.data();
    params.Trailer = ENGINE_RECORD_TRAILER;
    return InFolder(request.folder, script, [&] { return Engines::Loaded().zipExec(&params); });
}

std::vector<std::string> TreeOf(const fs::path& root) {
    std::vector<std::string> names;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        names.push_back(it->is_directory() && !it->is_symlink() ? relative + "/" : relative);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vorlan::test
