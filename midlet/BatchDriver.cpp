// SPDX-License-Identifier: MIT
// The batch behind "Process": the API pre-pass, every entry of the file list
// through the step of its mode under a guard, the check marks, the progress
// bar, the scratch folder and the closing message.
#include "midlet/BatchDriver.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "filecommit/CommitJournal.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "fsutil/FolderTree.h"
#include "midlet/ApiScratch.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/BatchHost.h"
#include "midlet/Descriptor.h"
#include "midlet/EntryWarnings.h"
#include "midlet/FixBuilder.h"
#include "midlet/FolderNameIndex.h"
#include "midlet/Globals.h"
#include "midlet/JadComposition.h"
#include "midlet/JarRewrite.h"
#include "midlet/OrderedCommits.h"
#include "midlet/PathNames.h"
#include "midlet/ReadAhead.h"
#include "midlet/ScratchFolder.h"
#include "midlet/SuiteFacts.h"
#include "midlet/SuiteLock.h"
#include "midlet/SuiteOutput.h"
#include "midlet/TextLines.h"
#include "midlet/WrittenSuiteCheck.h"
#include "platform/Application.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

struct BatchState {
    explicit BatchState(BatchHost& host) : api(host), commits(host) {}
    std::map<std::string, FileDescriptor> recovered;  // folders cleared of what killed runs left, held
    ApiScratch api;                                   // the API files in the scratch folder
    bool scratchSettled = false;                      // the entry in hand is done with the scratch folder
    SuiteFacts facts;                                 // what is known of the suite in hand
    FolderNameIndex names;                            // the suites' folders, read once
    std::map<std::string, std::string> folderIds;     // the suites' folders' device and inode
    EntryWarnings warnings;                           // about the entry in hand
    // The suites waiting for their group to commit. Last, so first to go: a
    // group still committing uses the folders held above.
    OrderedCommits commits;
};

SuiteWriteOptions WriteOptionsOf(BatchHost& host) {
    SuiteWriteOptions options;
    options.repair = host.RepairWanted();
    options.strict = host.StrictWanted();
    options.manifestCharset = host.ManifestCharset();
    options.check.profile = host.DeviceProfile();
    options.hashJars = host.HashesWanted();
    return options;
}

// Before a run works in a folder, it completes the commits a killed run left
// there and removes that run's pending files. Journals it may not trust are
// set aside and named in the entry's warnings.
void RecoverOnce(BatchState& state, const std::string& path) {
    const std::string folder = FolderOf(path);
    if (state.recovered.count(folder) != 0) return;
    RecoveredFolder recovered = RecoverFolder(folder);
    for (std::string& setAside : recovered.setAside) state.warnings.Add(std::move(setAside));
    state.recovered.emplace(folder, std::move(recovered.presence));
}

// While another program holds a suite: the batch's own open group is
// committed first, the window kept alive, and a stop asked for ends the wait.
LockWaiting WaitingOfBatch(BatchHost& host, BatchState& state) {
    return {[&state] { state.commits.CommitOpenGroup(); },
            [&host] {
                App().ProcessMessages();
                return host.StopRequested();
            }};
}

// The open folder that RecoverOnce holds for path's folder; -1 when it could not be opened.
int HeldFolderOf(const BatchState& state, const std::string& path) {
    const auto held = state.recovered.find(FolderOf(path));
    return held != state.recovered.end() && held->second.Valid() ? held->second.Get() : -1;
}

// Mode 0: the checked API files added into the JAR (and, with --repair, its
// manifest mended), then its descriptor written beside it; both take their
// names together when the suite commits, once the checker has seen them.
// Entries that are not JARs are left as they are and count as done.
CommitUnit GenerateDescriptorStep(BatchHost& host, int index, BatchState& state) {
    const std::string jar = host.FileAt(index);
    if (LowerExtension(jar) != ".jar") return {};
    RequireNameFitsUrl(jar);
    const SuiteWriteOptions options = WriteOptionsOf(host);
    const SuiteOutput output = SuiteOutputAt(host.OutputFolder(), host.OutputPathOf(index), host.ReplaceOutputs());
    const std::string target = ResolveLinks(jar);      // a link to a JAR: its target is updated
    RequireExistingFile(target);                       // recovery only where the run works
    if (output.InPlace()) RecoverOnce(state, target);  // a prepared copy never writes beside its input
    if (output.InPlace()) RecoverOnce(state, jar);     // the descriptor's folder, where a link to the JAR stands
    const std::string descriptor = state.names.ExistingNameInAnyCase(ReplaceLastThree(jar, "jad"));
    const std::string jadOut = output.InPlace() ? descriptor : output.jad;
    SuiteLock lock(target, descriptor, WaitingOfBatch(host, state));
    CreateFolder(ScratchRoot + kScratchFolder);
    const std::vector<std::string> wanted = state.api.selection.WantedFor(target);
    ProvideApiFiles(host, state.api, wanted);
    NoteJarBefore(target, lock.JarSize(), options.hashJars, state.facts);  // a JAR that fails is known by its hash too
    // The manifest is read before anything is added: a JAR whose manifest
    // cannot be read is not modified.
    JarManifest manifest = ReadJarManifest(host.Zip(), jar);
    NoteSuiteNames(*ManifestBuffer, state.facts);
    const ManifestMended mended = MendManifest(manifest, options, state.warnings);
    CommitUnit unit;
    const bool adding = state.api.selection.Adding(wanted, state.api.brokenApis, state.api.apisExtracted);
    if (mended.content && !adding) LeaveOnlyTheManifest(state.api, manifest);
    FilesSetAside keptOut;  // with --api auto, the API files the JAR has its own copies of
    if (adding)
        state.api.selection.SettleReplacedFiles(state.api.apiFiles, host.Zip(), NameOf(jar), state.warnings, keptOut);
    std::string newJar = target;
    if ((adding || mended.content) && output.InPlace()) newJar = AddScratchFilesBeside(host.Zip(), jar, target, unit);
    if ((adding || mended.content) && !output.InPlace()) newJar = AddScratchFilesToCopy(host.Zip(), jar, target);
    if (!keptOut.PutBack()) state.api.apiFilesInScratch = false;  // extracted again for the next JAR
    const std::vector<std::string> chosen =
        state.api.selection.NoteChosen(adding, state.api.brokenApis, state.warnings);
    state.facts.apisAdded = host.ApiAuto() != nullptr ? chosen : ArchivesAdded(wanted, adding, state.api.brokenApis);
    const FileDescriptor outFolder = output.InPlace() ? FileDescriptor() : PrepareSuiteOutput(output);
    if (mended.rename)
        newJar = RenameManifestEntry(host.Zip(), newJar, output.InPlace() ? target : output.jar, outFolder.Get(), unit);
    const bool jarUnchanged = newJar == target;
    RecoverOnce(state, jadOut);
    ComposeJadLines(descriptor, newJar, jarUnchanged, options, state.warnings);
    PendingFile jad =
        PrepareDescriptor(newJar, jar, jadOut, output.InPlace() ? HeldFolderOf(state, jadOut) : outFolder.Get());
    NoteJarAfter(newJar, jarUnchanged ? JarAfter::SameAsBefore : JarAfter::Written, options.hashJars, state.facts);
    const std::vector<Finding>* added = adding ? &state.api.apiClasses : nullptr;
    state.scratchSettled = true;  // a suite refused from here on leaves the API files for the next JAR
    CheckWrittenSuite({ManifestBuffer->Text(), manifest.bytes, mended.rename, newJar, &host.Zip(), added}, options,
                      state.warnings);
    if (!output.InPlace()) CopyJarOut(newJar, output, outFolder.Get(), unit);
    // A descriptor beside a JAR left as it was is the suite's only change.
    if (unit.Empty())
        unit.AddAlone(std::move(jad), FolderOf(jadOut));
    else
        unit.Add(jad, FolderOf(jadOut));
    state.names.Created(jadOut);
    for (FileDescriptor& held : lock.TakeLocks()) unit.held.push_back(std::move(held));
    unit.verify = lock.UnchangedCheck();
    return unit;
    // The scratch folder, with the API files in it, stays for the next JAR
    // (removing and making folders for every JAR costs more than the rest of
    // a JAR without APIs) and goes at the end. So does this JAR's manifest:
    // the next JAR's reading removes every manifest before it extracts its
    // own, and the fix step empties the folder first.
}

// The mode is read at each of the two tests, as the window's selector may be
// read afresh for every entry.
CommitUnit RunEntryStep(BatchHost& host, int index, BatchState& state) {
    CommitUnit unit;
    if (host.Mode() == BatchMode::GenerateJad) unit = GenerateDescriptorStep(host, index, state);
    App().ProcessMessages();
    if (host.Mode() == BatchMode::BuildFix) {
        if (!unit.Empty()) state.commits.CommitOpenGroup();  // the fix step reads what mode 0 wrote
        state.api.apiFilesInScratch = false;                 // the fix step empties the scratch folder
        unit =
            BuildFixSuite(host.Zip(), host.FileAt(index), host.FixVersion(), state.names,
                          [&state](const std::string& path) { RecoverOnce(state, path); }, WaitingOfBatch(host, state),
                          {WriteOptionsOf(host), state.warnings, state.facts,
                           SuiteOutputAt(host.OutputFolder(), host.OutputPathOf(index), host.ReplaceOutputs())});
    }
    return unit;
}

void RunGuardedEntryStep(BatchHost& host, int index, BatchState& state) {
    const std::vector<std::string> keys = SuiteKeys(host.FileAt(index), state.folderIds);
    state.commits.CommitIfDue();
    // The same suite twice (the list may name it twice, or by a link or in
    // another letter case): the first one is in place before the second reads it.
    state.commits.CommitIfHolding(keys);
    state.commits.ReportFinished();
    state.scratchSettled = false;
    try {
        CommitUnit unit = RunEntryStep(host, index, state);
        state.commits.Prepared(index, std::move(unit), keys, state.warnings.Take(), std::exchange(state.facts, {}));
    } catch (const std::exception& error) {
        // The entry stays unchecked and the batch goes on; the window shows
        // nothing for it, vorlan-batch prints the reason.
        // Unless the entry was done with them, start the next JAR from a
        // clean scratch folder.
        if (!state.scratchSettled) state.api.apiFilesInScratch = false;
        state.commits.Failed(index, error.what(), state.warnings.Take(), std::exchange(state.facts, {}));
    }
    // The entry's work is done; its check mark may still wait for its group.
    host.SetProgressPosition(index + 1);
    state.commits.ReportFinished();
}

void RequireStartUpState() {
    // The scratch tree is deleted by name: a relative or empty root would name
    // a folder below whatever the current directory is.
    if (ScratchRoot.empty() || ScratchRoot.front() != '/' || ScratchRoot.back() != '/')
        throw std::logic_error("RunBatch: ScratchRoot must be an absolute folder ending in \"/\"");
    if (!ManifestBuffer) ManifestBuffer = std::make_unique<TextLines>();
}

// Tells the host when the batch starts and ends, also when it ends early.
class BatchScope {
public:
    explicit BatchScope(BatchHost& host) : host_(host) { host_.BatchStarted(); }
    ~BatchScope() { host_.BatchEnded(); }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    BatchHost& host_;
};

}  // namespace

namespace {

// --api auto scans the JARs that come next while one is written. The batch's
// thread scans some of them too while it waits: with four expected, the
// lookahead's thread at times found none left to scan.
constexpr int kChoicesAhead = 8;

// The files read from the disk while earlier suites are written: enough to
// cover a disk's latency at a few milliseconds a suite, few enough that the
// page cache keeps them until they are reached.
constexpr int kFilesReadAhead = 4;

ApiChooser* ChooserThatLooksAhead(BatchHost& host) {
    const bool looksAhead = host.Mode() == BatchMode::GenerateJad && host.EntriesKnownAhead();
    return looksAhead ? host.ApiAuto() : nullptr;
}

}  // namespace

void RunBatch(BatchHost& host) {
    RequireStartUpState();
    const BatchScope scope(host);
    host.SetProgressPosition(0);
    for (int i = 0; i < host.FileCount(); ++i) host.SetFileChecked(i, false);
    const int progressMax = host.FileCount();
    host.SetProgressMax(progressMax);
    App().ProcessMessages();
    BatchState state(host);
    RunApiPrePass(host, state.api);
    const int count = host.FileCount();
    ApiChooser* const ahead = ChooserThatLooksAhead(host);
    for (int i = 0, expected = 0, readAhead = 0; i < count && !host.StopRequested(); ++i) {
        for (; ahead != nullptr && expected < std::min(count, i + kChoicesAhead); ++expected)
            ahead->Expect(host.FileAt(expected));
        // With --jobs every worker asks for every file: those another worker
        // takes are read once all the same.
        for (; readAhead < std::min(count, i + 1 + kFilesReadAhead); ++readAhead)
            AskToReadAhead(host.FileAt(readAhead));
        if (host.EntryWanted(i)) RunGuardedEntryStep(host, i, state);
    }
    // The scratch tree goes while the last group's flushes wait for the disk:
    // the add engine's watches on its files then end with it, and the process
    // does not wait for them to be released when it exits.
    state.commits.CommitOpenGroupSoon();
    DeleteFolderTree(ScratchRoot + kScratchTree);
    state.commits.CommitOpenGroup();
    state.commits.ReportFinished();
    App().ProcessMessages();
    const bool stopped = host.StopRequested();
    if (!stopped) host.SetProgressPosition(progressMax);
    if (!stopped) host.ShowBatchFinished("Process successfuly completed!", "Finished!");
}

}  // namespace vorlan
