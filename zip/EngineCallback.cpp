// SPDX-License-Identifier: MIT
// EngineCallback: what the component does with each report or question of an
// engine. It runs on the engine's call, on the one user-interface thread.
#include "zip/EngineCallback.h"

#include <algorithm>
#include <cstring>

#include "platform/Application.h"

namespace vorlan {

BatchCounters& EngineBatchCounters() {
    static BatchCounters* counters = new BatchCounters;  // lives until the process ends
    return *counters;
}

namespace {

// The counters are 32-bit as in the records; a batch larger than that wraps
// instead of overflowing.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::string RecordText(const CallbackRecord& record) {
    return std::string(record.Text, strnlen(record.Text, CALLBACK_TEXT_SIZE));
}

ProgressDialog* PresentDialog(TZip& zip) {
    return zip.ShowProgressDialog ? zip.ProgressForm.get() : nullptr;
}

void HideDialog(TZip& zip) {
    if (ProgressDialog* dialog = PresentDialog(zip)) dialog->Hide();
}

// After a question: the dialog comes back unless the user cancelled.
void ReshowDialog(TZip& zip) {
    if (zip.Cancelled) return;
    if (ProgressDialog* dialog = PresentDialog(zip)) dialog->Show();
}

int Ask(const std::string& text, unsigned style) {
    return App().MessageBox(text, App().Title(), style);
}

void BeginFile(TZip& zip, CallbackRecord& record) {
    BatchCounters& counters = EngineBatchCounters();
    // Assigned in place: a batch names some hundred files, and the string
    // keeps its room from one to the next.
    counters.CurrentFile.assign(record.Text, strnlen(record.Text, CALLBACK_TEXT_SIZE));
    if (zip.OnZEDBeginFileEvent) {
        zip.OnZEDBeginFileEvent(zip, counters.CurrentFile, record.Value, counters.BatchCount,
                                counters.TotalBytesInBatch);
    }
    if (ProgressDialog* dialog = PresentDialog(zip)) dialog->SetText(counters.CurrentFile);
}

void Progress(TZip& zip, CallbackRecord& record) {
    BatchCounters& counters = EngineBatchCounters();
    counters.BatchBytesDone = WrappingAdd(counters.BatchBytesDone, record.Value);
    if (zip.OnZEDProgressEvent) {
        zip.OnZEDProgressEvent(zip, counters.CurrentFile, record.Value, counters.TotalBytesInBatch);
    }
    if (ProgressDialog* dialog = PresentDialog(zip)) dialog->SetPosition(counters.BatchBytesDone);
}

void EndBatch(TZip& zip) {
    const BatchCounters& counters = EngineBatchCounters();
    if (zip.OnZEDEndBatchEvent) {
        zip.OnZEDEndBatchEvent(zip, counters.SkippedCount, counters.BatchCount, counters.TotalBytesInBatch);
    }
    HideDialog(zip);
}

void BatchBytes(TZip& zip, const CallbackRecord& record) {
    BatchCounters& counters = EngineBatchCounters();
    counters.TotalBytesInBatch = record.Value;
    counters.BatchBytesDone = 0;
    counters.SkippedCount = 0;
    if (ProgressDialog* dialog = PresentDialog(zip)) dialog->SetMax(record.Value);
}

void AskPassword(TZip& zip, CallbackRecord& record) {
    HideDialog(zip);
    const std::string name = RecordText(record);
    std::string answer =
        App().InputBox(App().Title(), "A new password is required for \"" + name + "\"", "", kPasswordMaxLength);
    ReshowDialog(zip);
    if (answer.empty()) {
        record.Status = 0;
        record.Value = 0;
        return;
    }
    // The prompt limits the length; a longer answer is cut so that the text
    // and its terminator always fit the record.
    answer.resize(std::min<std::size_t>(answer.size(), CALLBACK_TEXT_SIZE - 1));
    std::memcpy(record.Text, answer.c_str(), answer.size() + 1);
    record.Status = 1;
    if (record.Value > 0) --record.Value;
}

void AskAboutCrcError(TZip& zip, CallbackRecord& record) {
    HideDialog(zip);
    const std::string name = RecordText(record);
    const int answer = Ask("\"" + name + "\" may be corrupted (CRC error).\nExtract this file anyway? ...",
                           MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDYES) {
        record.Status = 1;
    } else if (answer == IDNO) {
        record.Status = 0;
    } else {
        zip.Cancelled = true;
    }
    ReshowDialog(zip);
}

void AskAboutOverwrite(TZip& zip, CallbackRecord& record) {
    HideDialog(zip);
    const bool existingIsOlder = (record.Status & 1) != 0;
    const std::string name = RecordText(record);
    const int answer = existingIsOlder
                           ? Ask("\"" + name + "\" is older than the zipped file.\nOverwrite this file? ...",
                                 MB_YESNOCANCEL | MB_ICONINFORMATION)
                           : Ask("\"" + name +
                                     "\" is the same age or newer than the zipped file.\n"
                                     "Do you really want to overwrite this file? ...",
                                 MB_YESNOCANCEL | MB_ICONSTOP | MB_DEFBUTTON2);
    record.Value = answer == IDYES ? 1 : 0;
    if (answer != IDYES && answer != IDNO) zip.Cancelled = true;
    ReshowDialog(zip);
}

void DecideOverwrite(TZip& zip, CallbackRecord& record) {
    const TOptionSet options = zip.ExtractOptions;
    if (HasFlag(options, 0) || HasFlag(options, 1)) {
        record.Value = record.Status & 1;  // replace exactly when the existing file is older
    } else if (HasFlag(options, 3)) {
        AskAboutOverwrite(zip, record);
    } else {
        record.Value = 1;
    }
}

void Dispatch(TZip& zip, CallbackRecord& record) {
    switch (record.ActionCode) {
        case ACTION_BEGIN_FILE:
            BeginFile(zip, record);
            break;
        case ACTION_PROGRESS:
            Progress(zip, record);
            break;
        case ACTION_END_BATCH:
            EndBatch(zip);
            break;
        case ACTION_BATCH_COUNT:
            EngineBatchCounters().BatchCount = record.Value;
            break;
        case ACTION_BATCH_BYTES:
            BatchBytes(zip, record);
            break;
        case ACTION_PASSWORD:
            AskPassword(zip, record);
            break;
        case ACTION_CRC_ERROR:
            AskAboutCrcError(zip, record);
            break;
        case ACTION_OVERWRITE:
            DecideOverwrite(zip, record);
            break;
        case ACTION_MESSAGE:
            zip.LastEngineMessage = RecordText(record);
            if (zip.EngineErrorNumber == 0) zip.EngineErrorNumber = record.Value;
            break;
        case ACTION_SKIPPED:
            EngineBatchCounters().SkippedCount = WrappingAdd(EngineBatchCounters().SkippedCount, 1);
            break;
        default:
            break;  // 0, 7 and 12 on: nothing the component handles
    }
}

// An exception must never unwind through the engine's C frames: it is kept
// in the component, the operation is cancelled, and Extract or Add rethrows
// it once the engine has returned.
void KeepFailure(TZip& zip, std::exception_ptr& slot) {
    if (!slot) slot = std::current_exception();
    zip.Cancelled = true;
}

}  // namespace

extern "C" std::int32_t EngineCallback(CallbackRecord* record) {
    if (record == nullptr || record->Caller == nullptr) return kCallbackStop;
    TZip& zip = *static_cast<TZip*>(record->Caller);
    try {
        if (!zip.Cancelled) Dispatch(zip, *record);
    } catch (...) {
        KeepFailure(zip, zip.callbackFailure_);
    }
    // Taken before the pump: a Cancel click during the pump is seen next time.
    std::int32_t result = zip.Cancelled ? kCallbackStop : kCallbackContinue;
    try {
        App().ProcessMessages();
    } catch (...) {
        KeepFailure(zip, zip.callbackFailure_);
        result = kCallbackStop;
    }
    return result;
}

}  // namespace vorlan
