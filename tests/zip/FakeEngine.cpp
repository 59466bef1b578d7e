// SPDX-License-Identifier: MIT
// The scripted fake engine module (see FakeEngine.h). Built without
// GetZipDllVersion/GetUnzDllVersion when FAKE_ENGINE_WITHOUT_VERSION is set,
// to stand for a module that lacks an entry.
#include "tests/zip/FakeEngine.h"

#include <unistd.h>

#include <cstring>

namespace {

FakeEngineScript script;
FakeEngineLog engineLog;

void CopyText(char* target, const char* text) {
    if (text == nullptr) {
        target[0] = '\0';
        return;
    }
    std::strncpy(target, text, FAKE_ENGINE_TEXT - 1);
    target[FAKE_ENGINE_TEXT - 1] = '\0';
}

template <typename Spec>
void CopySpecs(const Spec* specs, int32_t count) {
    engineLog.SpecCount = count;
    for (int32_t i = 0; i < count && i < FAKE_ENGINE_MAX_SPECS && specs != nullptr; ++i) {
        CopyText(engineLog.Specs[i], specs[i].FileSpec);
    }
}

void Replay(void* caller, EngineCallbackProc callback) {
    engineLog.StepsRun = 0;
    for (int32_t i = 0; i < script.StepCount && i < FAKE_ENGINE_MAX_STEPS; ++i) {
        CallbackRecord record;
        std::memset(&record, 0, sizeof record);
        record.Caller = caller;
        record.ActionCode = script.Steps[i].ActionCode;
        record.Status = script.Steps[i].Status;
        record.Value = script.Steps[i].Value;
        std::memcpy(record.Text, script.Steps[i].Text, CALLBACK_TEXT_SIZE);
        FakeEngineReply& reply = engineLog.Replies[i];
        reply.Result = callback(&record);
        reply.Status = record.Status;
        reply.Value = record.Value;
        std::memcpy(reply.Text, record.Text, CALLBACK_TEXT_SIZE);
        engineLog.StepsRun = i + 1;
        if (reply.Result != 0) break;
    }
}

void RecordCommon(const char* zipFileName, const char* password) {
    ++engineLog.Calls;
    CopyText(engineLog.ZipFileName, zipFileName);
    CopyText(engineLog.Password, password);
    if (getcwd(engineLog.CurrentDirectory, FAKE_ENGINE_TEXT) == nullptr) engineLog.CurrentDirectory[0] = '\0';
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void FakeEngineSetScript(const FakeEngineScript* newScript) {
    script = *newScript;
    std::memset(&engineLog, 0, sizeof engineLog);
}

__attribute__((visibility("default"))) const FakeEngineLog* FakeEngineGetLog(void) {
    return &engineLog;
}

__attribute__((visibility("default"))) int32_t UnzDllExec(TUnzipParams* params) {
    engineLog.IsZip = 0;
    engineLog.Unzip = *params;
    RecordCommon(params->ZipFileName, params->Password);
    CopySpecs(params->FileSpecs, params->FileSpecCount);
    Replay(params->Caller, params->Callback);
    return script.Result;
}

__attribute__((visibility("default"))) int32_t ZipDllExec(TZipParams* params) {
    engineLog.IsZip = 1;
    engineLog.Zip = *params;
    RecordCommon(params->ZipFileName, params->Password);
    CopyText(engineLog.TempDir, params->TempDir);
    CopyText(engineLog.Comment, params->ArchiveComment);
    CopySpecs(params->FileSpecs, params->FileSpecCount);
    Replay(params->Caller, params->Callback);
    return script.Result;
}

#ifndef FAKE_ENGINE_WITHOUT_VERSION
__attribute__((visibility("default"))) int32_t GetZipDllVersion(void) {
    return 100;
}
__attribute__((visibility("default"))) int32_t GetUnzDllVersion(void) {
    return 100;
}
#endif

}  // extern "C"
