// SPDX-License-Identifier: MIT
// TZip: the archive component. It holds one open zip archive's name and
// directory (read by the component itself), the file patterns for the next
// operation and the add/extract settings, and drives the two engine modules
// (UnZDll.so to extract, ZipDll.so to add) through their parameter records.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "zip/EngineRecords.h"
#include "zip/ZipTypes.h"

namespace vorlan {

class VolumeServices;

// The routine whose address the operations put into the engines' records;
// defined with the batch counters in EngineCallback.cpp.
extern "C" std::int32_t EngineCallback(CallbackRecord* record);

class TZip final : public ProgressDialogOwner {
public:
    TZip();
    ~TZip();
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    // Published settings and events.
    bool ShowProgressDialog = true;
    TZEDBeginFileEvent OnZEDBeginFileEvent;
    TProgressEvent OnZEDProgressEvent;
    TZEDEndBatchEvent OnZEDEndBatchEvent;
    TProgressEvent OnMergeProgress;  // declared; never fired
    TProgressEvent OnSpanProgress;   // declared; never fired
    TNotifyEvent OnContentsChanged;

    // The open archive. Assigning a name opens it (OpenArchive): the archive
    // is created empty when missing, and its directory is read.
    const std::string& ZipFileName() const { return zipFileName_; }
    void SetZipFileName(const std::string& name) { OpenArchive(name); }

    std::string Password;
    std::string LibraryDir;  // folder of the engine modules; empty: the executable's folder
    std::string TempDir;     // temporary folder handed to the add engine
    std::vector<std::string>& FileSpecs() { return fileSpecs_; }
    std::string AddBaseDir;
    TOptionSet AddOptions = OptionFlag(1);
    std::string ExtractBaseDir;  // empty: the archive's own folder
    TOptionSet ExtractOptions = OptionFlag(0);

    // State set by the directory reader and the operations.
    bool OemNames = false;
    bool Cancelled = false;
    // The last message the engine sent during the last Extract or Add (code
    // 4, never shown): why an entry or the archive was left, for a caller
    // that must say why a file did not come out. Empty when none came.
    std::string LastEngineMessage;
    // The first system error number a message of the last Extract or Add
    // carried (a full disk, no descriptors left), 0 when none did: what
    // tells a local failure from a broken archive.
    int EngineErrorNumber = 0;
    TEOCHInfo EndOfDirectory;
    std::unique_ptr<ProgressDialog> ProgressForm;

    // Entry access, in central directory order.
    std::int32_t EntryCount() const { return static_cast<std::int32_t>(entries_.size()); }
    void GetEntry(std::int32_t index, TFileInfo& info) const;  // ZipException "Index range error"
    // The entry itself, without a copy of its names and fields: for walks
    // over the whole directory. Valid until the directory is read again.
    const TFileInfo& Entry(std::int32_t index) const;  // ZipException "Index range error"
    void ClearEntries() { entries_.clear(); }

    // Operations: the number of files the engine processed, 0 when stopped
    // before calling it (a message box says why).
    std::int32_t Extract();
    std::int32_t Add();

    // Archive directory.
    void OpenArchive(const std::string& name);
    void ReadDirectory();

    // Engine binding; the module handles are process-wide.
    bool LoadZipDll();
    bool LoadUnzDll();
    static void UnloadDlls();

    // The drive and volume services used to open archives (the system's by
    // default; tests put a fake in).
    void SetVolumeServices(VolumeServices* services) { volumes_ = services; }
    VolumeServices& Volumes() const;

    // ProgressDialogOwner: the progress dialog's Cancel button.
    void CancelOperation() override;

private:
    // Runs the engine call with the progress dialog up when one is wanted;
    // the dialog goes when the call returns or fails.
    template <typename EngineCall>
    std::int32_t CallEngine(EngineCall call);
    void RethrowCallbackFailure();

    std::string zipFileName_;
    // ZipFileName made absolute when it was opened: the operations change the
    // current directory, and the file must still be found afterwards.
    std::string archivePath_;
    std::vector<TFileInfo> entries_;
    std::vector<std::string> fileSpecs_;
    VolumeServices* volumes_ = nullptr;
    // An exception thrown inside the engine callback (by an event handler):
    // it must not cross the engine, so it waits here until the engine returns.
    std::exception_ptr callbackFailure_;

    friend class DirectoryReader;
    friend std::int32_t EngineCallback(CallbackRecord* record);
};

// Unit helpers.
std::string AddBackslash(const std::string& path);  // adds the separator "/" (the name is kept)
std::string GetTempDir();
std::string OemToAnsiName(const TZip& zip, const std::string& text);
std::string AnsiToOemName(const TZip& zip, const std::string& text);
std::string SlashesToBackslashes(std::string text);

}  // namespace vorlan
