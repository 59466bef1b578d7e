// SPDX-License-Identifier: MIT
// Drives the built engine modules the way any caller may: dlopen from the
// build's bin/ folder, zero-filled records, and a callback that records every
// call and answers from a script.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "zip/EngineRecords.h"

namespace vorlan::test {

namespace fs = std::filesystem;

struct RecordedCall {
    std::uint32_t code = 0;
    std::int32_t status = 0;
    std::int32_t value = 0;
    std::string text;
    void* caller = nullptr;
};

// The caller's side of one operation: the calls it saw and how it answers.
struct CallbackScript {
    std::vector<RecordedCall> calls;
    std::int32_t overwriteAnswer = 1;       // Value for code 10
    std::int32_t damagedAnswer = 0;         // Status for code 9
    std::vector<std::string> passwords;     // answers to code 8, in turn; then none
    int stopAtCall = -1;                    // answer -1 to this call (counted from 0)
    std::function<void(int)> beforeAnswer;  // runs at each call with its number

    std::vector<std::uint32_t> codes() const;
    std::vector<RecordedCall> withCode(std::uint32_t code) const;
    std::vector<std::string> skippedNames() const;
    std::int64_t progressTotal() const;  // the values of every progress call, added up
};

struct Engines {
    ZipDllExecProc zipExec = nullptr;
    GetZipDllVersionProc zipVersion = nullptr;
    UnzDllExecProc unzipExec = nullptr;
    GetUnzDllVersionProc unzipVersion = nullptr;
    static const Engines& Loaded();  // loads both modules once, or fails the test program
};

struct ExtractRequest {
    ExtractRequest(fs::path archivePath, fs::path into, std::vector<std::string> entryPatterns)
        : archive(std::move(archivePath)), folder(std::move(into)), patterns(std::move(entryPatterns)) {}

    fs::path archive;
    fs::path folder;  // made the current directory for the call
    std::vector<std::string> patterns;
    bool directoryNames = true;
    bool overwriteAll = false;
    bool freshen = false;
    const char* password = nullptr;
};

struct AddRequest {
    AddRequest(fs::path archivePath, fs::path from, std::vector<std::string> filePatterns = {"*"})
        : archive(std::move(archivePath)), folder(std::move(from)), patterns(std::move(filePatterns)) {}

    fs::path archive;
    fs::path folder;  // made the current directory for the call
    std::vector<std::string> patterns;
    bool recurse = true;
    bool junkDirNames = false;
    bool deleteEntries = false;
    const char* comment = nullptr;
    const char* password = nullptr;
    int level = 9;
};

std::int32_t RunExtract(const ExtractRequest& request, CallbackScript& script);
std::int32_t RunAdd(const AddRequest& request, CallbackScript& script);

// The names of every file and folder below root, relative, sorted ("a/", "a/b").
std::vector<std::string> TreeOf(const fs::path& root);

}  // namespace vorlan::test
