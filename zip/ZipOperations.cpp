// SPDX-License-Identifier: MIT
// Extract and Add: check the preconditions, bind the engine, set the current
// directory, fill the parameter record, make the one engine call, clean up.
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

#include "zip/EngineBinding.h"
#include "zip/ExistingPaths.h"
#include "zip/ParamRecords.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

const char kSpannedArchiveMessage[] =
    "Cannot Add, Delete or Extract from a multiple disk Zip file...\n"
    "Merge this Zip file onto the hard disk before retrying.";
const char kNoArchiveMessage[] = "A Zip file must be openned or created before\nAdding, Deleting or Extracting files.";
const char kNoFilesMessage[] = "No files have been selected.";

void ShowInformation(const std::string& text) {
    App().MessageBox(text, App().Title(), MB_OK | MB_ICONINFORMATION);
}

// Everything up to and including the last "/"; ":" and "\" are ordinary
// characters in a Linux file name.
std::string FolderPart(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

// The engine finds the files through the current directory. A folder that
// cannot be entered is deliberately ignored and leaves the current one: the
// engine then reports, through the callback, what it cannot find.
void EnterFolderIgnoringFailure(const std::string& folder) {
    const int ignored = folder.empty() ? 0 : chdir(folder.c_str());
    (void)ignored;
}

// The first unmet precondition of Add, as the message that says so.
const char* AddRefusal(const std::string& zipFileName, const std::vector<std::string>& patterns,
                       const TEOCHInfo& endOfDirectory) {
    if (zipFileName.empty()) return kNoArchiveMessage;
    if (patterns.empty()) return kNoFilesMessage;
    if (endOfDirectory.ThisDisk != 0) return kSpannedArchiveMessage;
    return nullptr;
}

// One zero-filled record per file pattern, pointing into the patterns.
template <typename PatternRecord>
std::vector<PatternRecord> PatternRecords(const std::vector<std::string>& patterns) {
    std::vector<PatternRecord> records(patterns.size());
    for (PatternRecord& record : records) std::memset(&record, 0, sizeof record);
    for (std::size_t i = 0; i < patterns.size(); ++i) records[i].FileSpec = patterns[i].c_str();
    return records;
}

}  // namespace

template <typename EngineCall>
std::int32_t TZip::CallEngine(EngineCall call) {
    struct DialogRelease {
        TZip& zip;
        ~DialogRelease() { zip.ProgressForm.reset(); }
    } release{*this};
    if (ShowProgressDialog) {
        ProgressForm = App().CreateProgressDialog(*this);
        if (ProgressForm) ProgressForm->Show();
    }
    return call();
}

void TZip::RethrowCallbackFailure() {
    if (std::exception_ptr failure = std::exchange(callbackFailure_, nullptr)) std::rethrow_exception(failure);
}

std::int32_t TZip::Extract() {
    Cancelled = false;
    if (EntryCount() == 0) return 0;
    if (EndOfDirectory.ThisDisk != 0) {
        ShowInformation(kSpannedArchiveMessage);
        return 0;
    }
    if (!ExtractBaseDir.empty() && !IsExistingFolder(ExtractBaseDir)) {
        ShowInformation("Unable to extract files to:\n\"" + ExtractBaseDir + "\"\nThis folder does not exist.");
        return 0;
    }
    if (!LoadUnzDll()) throw ZipException("Unable to load \"UnzDll.so\".");
    EnterFolderIgnoringFailure(ExtractBaseDir.empty() ? FolderPart(archivePath_) : ExtractBaseDir);

    TUnzipParams params;
    std::memset(&params, 0, sizeof params);
    InitUnzipParams(params, *this);
    params.ZipFileName = archivePath_.c_str();
    if (!Password.empty()) params.Password = Password.c_str();
    std::vector<TUnzipFileSpec> records = PatternRecords<TUnzipFileSpec>(fileSpecs_);
    params.FileSpecCount = static_cast<std::int32_t>(records.size());
    params.FileSpecs = records.empty() ? nullptr : records.data();

    callbackFailure_ = nullptr;
    LastEngineMessage.clear();
    EngineErrorNumber = 0;
    const std::int32_t result = CallEngine([&params] { return UnzEngineExec()(&params); });
    RethrowCallbackFailure();
    fileSpecs_.clear();
    return result;
}

std::int32_t TZip::Add() {
    if (const char* refusal = AddRefusal(zipFileName_, fileSpecs_, EndOfDirectory)) {
        ShowInformation(refusal);
        AddBaseDir.clear();
        return 0;
    }
    if (!LoadZipDll()) throw ZipException("Unable to load \"ZipDll.so\".");
    Cancelled = false;

    TZipParams params;
    std::memset(&params, 0, sizeof params);
    InitZipParams(params, *this);
    params.ZipFileName = archivePath_.c_str();
    params.TempDir = TempDir.c_str();
    const std::string comment = AnsiToOemName(*this, EndOfDirectory.Comment);
    if (!comment.empty()) params.ArchiveComment = comment.c_str();
    if (!Password.empty()) params.Password = Password.c_str();
    std::vector<TZipFileSpec> records = PatternRecords<TZipFileSpec>(fileSpecs_);
    params.FileSpecCount = static_cast<std::int32_t>(records.size());
    params.FileSpecs = records.data();

    callbackFailure_ = nullptr;
    LastEngineMessage.clear();
    EngineErrorNumber = 0;
    const std::int32_t result = CallEngine([&params] { return ZipEngineExec()(&params); });
    RethrowCallbackFailure();
    fileSpecs_.clear();
    if (result > 0) {
        ReadDirectory();
        if (OnContentsChanged) OnContentsChanged(*this);
    }
    AddBaseDir.clear();
    return result;
}

}  // namespace vorlan
