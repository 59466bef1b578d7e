// SPDX-License-Identifier: MIT
/* A scripted stand-in for the two engine modules, built by the tests as
 * ZipDll.so and UnZDll.so. Each Exec records the record it was given (with
 * copies of the texts it points to and the current directory), then replays
 * the callback steps the test set, stopping when the callback asks it to, and
 * returns the result the test chose. The test reaches the module's state with
 * dlopen(RTLD_NOLOAD) and dlsym of the functions below. */
#ifndef VORLAN_FAKE_ENGINE_H
#define VORLAN_FAKE_ENGINE_H

#include <stdint.h>

#include "zip/EngineRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define FAKE_ENGINE_MAX_STEPS 32
#define FAKE_ENGINE_MAX_SPECS 8
#define FAKE_ENGINE_TEXT 1024

typedef struct FakeEngineStep {
    uint32_t ActionCode;
    int32_t Status;
    int32_t Value;
    char Text[CALLBACK_TEXT_SIZE];
} FakeEngineStep;

/* What the callback left in the record after one step, and its result. */
typedef struct FakeEngineReply {
    int32_t Result;
    int32_t Status;
    int32_t Value;
    char Text[CALLBACK_TEXT_SIZE];
} FakeEngineReply;

typedef struct FakeEngineScript {
    int32_t StepCount;
    FakeEngineStep Steps[FAKE_ENGINE_MAX_STEPS];
    int32_t Result; /* what Exec returns */
} FakeEngineScript;

typedef struct FakeEngineLog {
    int32_t Calls;
    int32_t IsZip; /* 1: ZipDllExec, 0: UnzDllExec */
    TUnzipParams Unzip;
    TZipParams Zip;
    char ZipFileName[FAKE_ENGINE_TEXT];
    char Password[FAKE_ENGINE_TEXT];
    char TempDir[FAKE_ENGINE_TEXT];
    char Comment[FAKE_ENGINE_TEXT];
    char CurrentDirectory[FAKE_ENGINE_TEXT];
    int32_t SpecCount;
    char Specs[FAKE_ENGINE_MAX_SPECS][FAKE_ENGINE_TEXT];
    int32_t StepsRun;
    FakeEngineReply Replies[FAKE_ENGINE_MAX_STEPS];
} FakeEngineLog;

typedef void (*FakeEngineSetScriptProc)(const FakeEngineScript* script);
typedef const FakeEngineLog* (*FakeEngineGetLogProc)(void);

#ifdef __cplusplus
}
#endif

#endif /* VORLAN_FAKE_ENGINE_H */
