// SPDX-License-Identifier: MIT
// What the batch reads and writes of its surroundings: the file list with its
// check marks, the API catalogue with its check marks, the mode, the fix
// version, the progress bar, the archive component and the closing message.
// The main window and vorlan-batch both implement it, so both run the very
// same batch.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

class ApiChooser;
struct SuiteFacts;
class TZip;

enum class BatchMode { GenerateJad = 0, BuildFix = 1 };

class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The file list: full paths of the input files, and their check marks.
    virtual int FileCount() = 0;
    virtual std::string FileAt(int index) = 0;
    virtual void SetFileChecked(int index, bool checked) = 0;

    // The API catalogue: bare archive names (midlet/ApiCatalogue.h), and their
    // check marks.
    virtual int ApiCount() = 0;
    virtual std::string ApiAt(int index) = 0;
    virtual bool ApiChecked(int index) = 0;
    // --api auto: the chooser that gives each JAR of mode 0 the archives of
    // the catalogue that provide the classes it lacks, in place of the
    // checked ones. Null (the default): the checked archives are added.
    virtual ApiChooser* ApiAuto() { return nullptr; }

    // The mode selector and the "Fix new version:" text, read afresh each
    // time. A mode that is neither (no item selected) runs no step.
    virtual BatchMode Mode() = 0;
    virtual std::string FixVersion() = 0;

    // The progress bar: its position is set as each entry's work is done (the
    // entry index + 1), which may be before its suite commits with its group
    // and the entry gets its check mark.
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgressPosition(int position) = 0;

    // The archive component the batch works through.
    virtual TZip& Zip() = 0;

    // The batch's start and end, so that a host can hold back edits of its
    // lists while a batch runs.
    virtual void BatchStarted() {}
    virtual void BatchEnded() {}

    // Whether this batch works on the entry at all. The window's batch does
    // every entry; a vorlan-batch --jobs worker leaves the entries another
    // worker has taken. An entry not wanted gets no step, no check mark and
    // no progress. Asked once per entry, in list order, just before its step.
    virtual bool EntryWanted(int /*index*/) { return true; }
    // Whether the entries wanted are known before they come (every entry but
    // those refused): a worker that takes entries as they come cannot say
    // which it will get, and scanning ahead would only take another's.
    virtual bool EntriesKnownAhead() { return true; }

    // How an entry ended, called right after its check mark is set. failure
    // is the reason an entry failed (empty when it succeeded): the window
    // shows nothing for a failed entry, vorlan-batch prints the reason.
    virtual void EntryFinished(int /*index*/, bool /*succeeded*/, const std::string& /*failure*/) {}

    // Something the user should know about an entry that succeeded or failed
    // (a line of its descriptor that could not be kept, a suite that a phone
    // would refuse, ...). Called in list order, each warning of an entry just
    // before its EntryFinished; vorlan-batch prints it on standard error.
    virtual void EntryWarning(int /*index*/, const std::string& /*text*/) {}

    // The archives --api auto added into the entry's JAR, in catalogue
    // order; called just before its EntryFinished when there were some.
    virtual void EntryApisAdded(int /*index*/, const std::vector<std::string>& /*archives*/) {}

    // What the batch learned of the entry's suite (midlet/SuiteFacts.h),
    // succeeded or failed; called just before its EntryFinished, after its
    // warnings. HashesWanted: whether the JAR's SHA-256 before and after is
    // worth its cost (a report asks for it); asked once per entry.
    virtual void EntryDescribed(int /*index*/, const SuiteFacts& /*facts*/) {}
    virtual bool HashesWanted() { return false; }

    // A checked API archive that could not be used: nothing of it goes into
    // the JARs, the archives after it still do, and the batch goes on.
    // Called once per archive and batch; the window names these archives in
    // one message after the batch, vorlan-batch warns and ends with status 1.
    virtual void ApiExtractionFailed(const std::string& /*archive*/, const std::string& /*failure*/) {}

    // An entry of a checked API archive left out because no JAR can carry its
    // name (why says which and why); the rest of the archive is used. Called
    // once per entry and batch.
    virtual void ApiEntryLeftOut(const std::string& /*archive*/, const std::string& /*why*/) {}

    // How suites are written (midlet/SuiteWriteOptions.h), asked once per
    // entry. RepairWanted: mend in mode 0 the manifest faults that have one
    // right answer (--repair). StrictWanted: a suite that would not install
    // or start is not committed and its entry fails (--strict).
    // ManifestCharset: the code page (an iconv name) of manifest and JAD text
    // that is not UTF-8, converted to UTF-8; empty when none is known.
    // DeviceProfile: the phone's MIDP version the written suites are checked
    // for. The defaults are the window's: no repair, nothing held back.
    virtual bool RepairWanted() { return false; }
    virtual bool StrictWanted() { return false; }
    virtual std::string ManifestCharset() { return {}; }
    virtual std::string DeviceProfile() { return "MIDP-2.0"; }

    // Prepared copies: the path the entry's suite JAR is written to, its JAD
    // beside it; the input is only read. Empty (the window's way): the suite
    // is changed in place. ReplaceOutputs: files already at those paths may
    // be replaced; otherwise the entry fails. Asked once per entry.
    // OutputFolder: the folder those paths lie below (ending in "/"); the
    // folders between it and them are made as real folders, never taken
    // through a link.
    virtual std::string OutputPathOf(int /*index*/) { return {}; }
    virtual std::string OutputFolder() { return {}; }
    virtual bool ReplaceOutputs() { return false; }

    // Asked between two entries: true ends the batch there, so that no entry
    // is left half done and the entries not reached stay as they are. A
    // stopped batch shows no closing message. The window asks to stop when
    // it is closed during a batch.
    virtual bool StopRequested() { return false; }

    // The box that closes every batch that ran to its end ("Finished!").
    virtual void ShowBatchFinished(const std::string& text, const std::string& caption) = 0;
};

}  // namespace vorlan
