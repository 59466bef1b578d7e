// SPDX-License-Identifier: MIT
// The batch behind "Process": the API pre-pass, every entry of the file list
// through the step of its mode under a guard, the check marks, the progress
// bar, the scratch folder and the closing message.
#include "midlet/BatchDriver.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "filecommit/CommitJournal.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "fsutil/FolderTree.h"
#include "midlet/ApiCatalogue.h"
#include "midlet/ApiSelection.h"
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
#include "midlet/ScratchApiFiles.h"
#include "midlet/ScratchFolder.h"
#include "midlet/SuiteFacts.h"
#include "midlet/SuiteLock.h"
#include "midlet/SuiteOutput.h"
#include "midlet/TextLines.h"
#include "midlet/WrittenSuiteCheck.h"
#include "platform/Application.h"
#include "zip/TZip.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

struct BatchState {
    explicit BatchState(BatchHost& host) : commits(host), selection(host) {}
    OrderedCommits commits;                           // the suites waiting for their group to commit
    std::map<std::string, FileDescriptor> recovered;  // folders cleared of what killed runs left, held
    bool apisExtracted = false;                       // an API archive has been extracted in this batch
    bool apiFilesInScratch = false;                   // the scratch folder holds the API files as extracted
    bool scratchSettled = false;                      // the entry in hand is done with the scratch folder
    std::vector<std::string> apisInScratch;           // the archives they were extracted for
    ScratchApiFiles apiFiles;                         // the files those archives put there
    ApiSelection selection;                           // the archives of the JAR in hand
    SuiteFacts facts;                                 // what is known of the suite in hand
    std::set<std::string> brokenApis;                 // checked archives found unusable, reported once
    std::set<std::string> warnedApis;                 // archives whose left-out entries were reported
    std::string apiFailure;                           // why the API files could not be unpacked (a full disk)
    FolderNameIndex names;                            // the suites' folders, read once
    std::map<std::string, std::string> folderIds;     // the suites' folders' device and inode
    EntryWarnings warnings;                           // about the entry in hand
    std::vector<Finding> apiClasses;                  // the checker's findings on the API class files
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

// Signature files of an API archive must never reach a JAR. Should one
// resist removal, the scratch folder is emptied instead: the JARs then get no
// API files rather than a broken signature.
void DropSignatureFiles(ScratchApiFiles& apiFiles) {
    try {
        RemoveSignatureFiles();
    } catch (const std::exception&) {
        DeleteFolderTree(ScratchRoot + kScratchTree);
        CreateFolder(ScratchRoot + kScratchFolder);
        apiFiles.Clear();
    }
}

// An entry name as a message shows it: "/" between folders where the
// component has "\\", escaped as the engines escape names.
std::string ShownEntryName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return EscapedEntryName(name);
}

// The files (not folders) of the open archive that its extraction is to
// give. Entries whose names no JAR can carry (a NUL byte, which libraries
// turn into a space; bytes that are not UTF-8, for which Java refuses the
// whole JAR) are left out by the extraction, and said why in leftOut: they
// are a warning, the rest of the archive is used. The names of the files it
// gives go into files.
std::int32_t FilesToExtract(const TZip& zip, std::vector<std::string>& leftOut, std::vector<std::string>& files) {
    TFileInfo entry;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        zip.GetEntry(i, entry);
        if (!entry.FileName.empty() && entry.FileName.back() == '\\') continue;
        const bool holdsNul = entry.FileName.find('\0') != std::string::npos;
        if (!holdsNul && IsWellFormedUtf8(entry.FileName)) {
            files.push_back(entry.FileName);
        } else {
            std::string why(1, '"');  // appended: GCC 12 -O3 takes "\"" + string for an overlap
            why += ShownEntryName(entry.FileName);
            why += "\" is left out: its name ";
            why += holdsNul ? "holds a NUL byte" : "is not UTF-8, which Java cannot read";
            leftOut.push_back(why);
        }
    }
    return static_cast<std::int32_t>(files.size());
}

enum class ApiOutcome {
    Used,          // every file it is to give is in the scratch folder
    Refused,       // not usable, and nothing of it was written
    BrokenMidway,  // not usable, after it may have written files
    NotPrepared    // this machine could not take its files: no fault of the archive
};

// Failures of this machine rather than of an archive: the scratch folder
// full or failing, no descriptors left.
bool IsLocalFailure(int errorNumber) {
    return errorNumber == ENOSPC || errorNumber == EDQUOT || errorNumber == EIO || errorNumber == EMFILE ||
           errorNumber == ENFILE;
}

// One checked archive into the scratch folder. An archive that gives fewer
// files than it is to give (a damaged or unsafe entry) is not usable, like
// one the component rejects; it is reported, once. One that could not be
// extracted for a local reason (the system's error number says which) is
// noted in state.apiFailure: the JARs that need it fail, the archive is
// not blamed.
ApiOutcome ExtractOneApi(BatchHost& host, BatchState& state, const std::string& archive) {
    std::string failure;
    std::vector<std::string> leftOut;
    std::vector<std::string> files;
    ApiOutcome outcome = ApiOutcome::BrokenMidway;
    try {
        const std::int32_t extracted =
            ExtractFromArchive(host.Zip(), "*", ScratchRoot + kScratchFolder, ApiArchivePath(archive));
        const std::int32_t expected = FilesToExtract(host.Zip(), leftOut, files);
        if (extracted >= expected) {
            outcome = ApiOutcome::Used;
        } else {
            failure = "only " + std::to_string(extracted) + " of its " + std::to_string(expected) +
                      " files could be extracted";
            if (!host.Zip().LastEngineMessage.empty()) failure += " (" + host.Zip().LastEngineMessage + ")";
            if (extracted == 0) outcome = ApiOutcome::Refused;
            if (IsLocalFailure(host.Zip().EngineErrorNumber)) outcome = ApiOutcome::NotPrepared;
        }
    } catch (const ZipException& refusal) {
        // The component refuses an archive (not a zip file, an unreadable
        // directory, no engine) before the engine writes anything.
        failure = refusal.what();
        outcome = ApiOutcome::Refused;
    } catch (const std::system_error& error) {
        failure = error.what();
        if (IsLocalFailure(error.code().value())) outcome = ApiOutcome::NotPrepared;
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (outcome == ApiOutcome::NotPrepared) {
        state.apiFailure = "The API archive " + archive + " could not be unpacked into the scratch folder \"" +
                           ScratchRoot + kScratchFolder + "\": " + failure;
        return outcome;
    }
    if (outcome == ApiOutcome::Used) {
        state.apiFiles.Add(archive, files);
        if (state.warnedApis.insert(archive).second)
            for (const std::string& why : leftOut) host.ApiEntryLeftOut(archive, why);
        return outcome;
    }
    state.brokenApis.insert(archive);
    host.ApiExtractionFailed(archive, failure);
    return outcome;
}

// The wanted API archives, first to last, into the scratch folder: a file
// of a later archive replaces one of the same path from an earlier one. An
// archive that is not usable is skipped and the ones after it are still
// used. Should it have written files before it failed (over the earlier
// archives' files too), the scratch folder is emptied and the usable
// archives extracted again without it: a JAR gets every usable archive
// whole, and nothing of a broken one. A local failure ends the extraction
// there, with the scratch folder emptied: every JAR that needs the API files
// then fails with the reason (ProvideApiFiles tries again for each).
void ExtractApis(BatchHost& host, BatchState& state, const std::vector<std::string>& wanted) {
    state.apisInScratch = wanted;
    state.apiFilesInScratch = true;
    state.apiFailure.clear();
    bool startAgain = true;
    while (startAgain) {
        startAgain = false;
        state.apiFiles.Clear();
        for (const std::string& archive : state.apisInScratch) {
            if (state.brokenApis.count(archive) != 0) continue;
            const ApiOutcome outcome = ExtractOneApi(host, state, archive);
            if (outcome == ApiOutcome::Used) state.apisExtracted = true;
            App().ProcessMessages();
            if (outcome != ApiOutcome::BrokenMidway && outcome != ApiOutcome::NotPrepared) continue;
            DeleteFolderTree(ScratchRoot + kScratchTree);
            CreateFolder(ScratchRoot + kScratchFolder);
            if (outcome == ApiOutcome::NotPrepared) {
                state.apiFilesInScratch = false;
                return;
            }
            startAgain = true;
            break;
        }
    }
    DropSignatureFiles(state.apiFiles);
    // Every JAR gets the same API classes: they are checked once, not in every JAR.
    state.apiClasses = CheckClassesBelow(ScratchRoot + kScratchFolder);
}

// With --api auto, the catalogue is indexed here, once per batch, and no
// archive is extracted until a JAR needs one.
void RunApiPrePass(BatchHost& host, BatchState& state) {
    DeleteFolderTree(ScratchRoot + kScratchTree);  // whatever an earlier batch left
    App().ProcessMessages();
    CreateFolder(ScratchRoot + kScratchFolder);
    ExtractApis(host, state, state.selection.StartBatch());
}

// Every JAR starts with the wanted API files in the scratch folder. They stay
// there from one JAR to the next and are extracted again only when something
// emptied the folder or the wanted archives changed.
void ProvideApiFiles(BatchHost& host, BatchState& state, const std::vector<std::string>& wanted) {
    const bool nothingToAdd =
        host.ApiAuto() != nullptr ? wanted.empty() : !state.apisExtracted && state.apiFailure.empty();
    if (nothingToAdd) return;
    if (state.apiFailure.empty() && state.apiFilesInScratch && state.apisInScratch == wanted) return;
    DeleteFolderTree(ScratchRoot + kScratchTree);
    CreateFolder(ScratchRoot + kScratchFolder);
    ExtractApis(host, state, wanted);
    if (!state.apiFailure.empty()) throw std::runtime_error(state.apiFailure + "; the JAR is left as it is");
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

// The checked archives that went into a JAR: every usable one, when any did.
std::vector<std::string> ArchivesAdded(const std::vector<std::string>& wanted, bool adding,
                                       const std::set<std::string>& broken) {
    std::vector<std::string> added;
    if (!adding) return added;
    for (const std::string& archive : wanted)
        if (broken.count(archive) == 0) added.push_back(archive);
    return added;
}

// A mended manifest goes into a JAR that gets no API files alone: with --api
// auto the scratch folder may still hold the files an earlier JAR was given.
void LeaveOnlyTheManifest(BatchState& state, const JarManifest& manifest) {
    if (!state.apisExtracted) return;  // nothing but the manifest was ever extracted
    DeleteFolderTree(ScratchRoot + kScratchTree);
    CreateFolder(ScratchRoot + kScratchFolder);
    CreateFolder(FolderOf(manifest.scratchPath));
    ReplaceFileNow(manifest.scratchPath, manifest.bytes);
    state.apiFilesInScratch = false;
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
    const std::vector<std::string> wanted = state.selection.WantedFor(target);
    ProvideApiFiles(host, state, wanted);
    NoteJarBefore(target, options.hashJars, state.facts);  // a JAR that fails is known by its hash too
    // The manifest is read before anything is added: a JAR whose manifest
    // cannot be read is not modified.
    JarManifest manifest = ReadJarManifest(host.Zip(), jar);
    NoteSuiteNames(*ManifestBuffer, state.facts);
    const ManifestMended mended = MendManifest(manifest, options, state.warnings);
    CommitUnit unit;
    const bool adding = state.selection.Adding(wanted, state.brokenApis, state.apisExtracted);
    if (mended.content && !adding) LeaveOnlyTheManifest(state, manifest);
    FilesSetAside keptOut;  // with --api auto, the API files the JAR has its own copies of
    if (adding) state.selection.SettleReplacedFiles(state.apiFiles, host.Zip(), NameOf(jar), state.warnings, keptOut);
    std::string newJar = target;
    if ((adding || mended.content) && output.InPlace()) newJar = AddScratchFilesBeside(host.Zip(), jar, target, unit);
    if ((adding || mended.content) && !output.InPlace()) newJar = AddScratchFilesToCopy(host.Zip(), jar, target);
    if (!keptOut.PutBack()) state.apiFilesInScratch = false;  // extracted again for the next JAR
    const std::vector<std::string> chosen = state.selection.NoteChosen(adding, state.brokenApis, state.warnings);
    state.facts.apisAdded = host.ApiAuto() != nullptr ? chosen : ArchivesAdded(wanted, adding, state.brokenApis);
    if (mended.rename) newJar = RenameManifestEntry(host.Zip(), newJar, output.InPlace() ? target : output.jar, unit);
    const bool jarUnchanged = newJar == target;
    if (!output.InPlace()) PrepareSuiteOutput(output);
    RecoverOnce(state, jadOut);
    ComposeJadLines(descriptor, newJar, jarUnchanged, options, state.warnings);
    PendingFile jad = PrepareDescriptor(newJar, jar, jadOut, HeldFolderOf(state, jadOut));
    NoteJarAfter(newJar, jarUnchanged ? JarAfter::SameAsBefore : JarAfter::Written, options.hashJars, state.facts);
    const std::vector<Finding>* added = adding ? &state.apiClasses : nullptr;
    state.scratchSettled = true;  // a suite refused from here on leaves the API files for the next JAR
    CheckWrittenSuite({ManifestBuffer->Text(), manifest.bytes, mended.rename, newJar, &host.Zip(), added}, options,
                      state.warnings);
    if (!output.InPlace()) CopyJarOut(newJar, output, unit);
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
    if (host.Mode() == static_cast<int>(BatchMode::GenerateJad)) unit = GenerateDescriptorStep(host, index, state);
    App().ProcessMessages();
    if (host.Mode() == static_cast<int>(BatchMode::BuildFix)) {
        if (!unit.renames.empty()) state.commits.CommitOpenGroup();  // the fix step reads what mode 0 wrote
        state.apiFilesInScratch = false;                             // the fix step empties the scratch folder
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
        if (!state.scratchSettled) state.apiFilesInScratch = false;
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

void RunBatch(BatchHost& host) {
    RequireStartUpState();
    const BatchScope scope(host);
    host.SetProgressPosition(0);
    for (int i = 0; i < host.FileCount(); ++i) host.SetFileChecked(i, false);
    const int progressMax = host.FileCount();
    host.SetProgressMax(progressMax);
    App().ProcessMessages();
    BatchState state(host);
    RunApiPrePass(host, state);
    const int count = host.FileCount();
    for (int i = 0; i < count && !host.StopRequested(); ++i)
        if (host.EntryWanted(i)) RunGuardedEntryStep(host, i, state);
    state.commits.CommitOpenGroup();
    state.commits.ReportFinished();
    App().ProcessMessages();
    const bool stopped = host.StopRequested();
    if (!stopped) host.SetProgressPosition(progressMax);
    DeleteFolderTree(ScratchRoot + kScratchTree);
    if (!stopped) host.ShowBatchFinished("Process successfuly completed!", "Finished!");
}

}  // namespace vorlan
