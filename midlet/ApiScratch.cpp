// SPDX-License-Identifier: MIT
// The API files in the scratch folder: the checked archives (or those --api
// auto chooses for the JAR in hand) extracted there once and kept from one
// JAR to the next, an archive that cannot be used left out whole.
#include "midlet/ApiScratch.h"

#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "fsutil/FolderTree.h"
#include "midlet/ApiCatalogue.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/BatchHost.h"
#include "midlet/Descriptor.h"
#include "midlet/Globals.h"
#include "midlet/ScratchFolder.h"
#include "midlet/WrittenSuiteCheck.h"
#include "platform/Application.h"
#include "zip/TZip.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

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
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        const TFileInfo& entry = zip.Entry(i);
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
// noted in scratch.apiFailure: the JARs that need it fail, the archive is
// not blamed.
ApiOutcome ExtractOneApi(BatchHost& host, ApiScratch& scratch, const std::string& archive) {
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
        scratch.apiFailure = "The API archive " + archive + " could not be unpacked into the scratch folder \"" +
                             ScratchRoot + kScratchFolder + "\": " + failure;
        return outcome;
    }
    if (outcome == ApiOutcome::Used) {
        scratch.apiFiles.Add(archive, files);
        if (scratch.warnedApis.insert(archive).second)
            for (const std::string& why : leftOut) host.ApiEntryLeftOut(archive, why);
        return outcome;
    }
    scratch.brokenApis.insert(archive);
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
void ExtractApis(BatchHost& host, ApiScratch& scratch, const std::vector<std::string>& wanted) {
    scratch.apisInScratch = wanted;
    scratch.apiFilesInScratch = true;
    scratch.apiFailure.clear();
    bool startAgain = true;
    while (startAgain) {
        startAgain = false;
        scratch.apiFiles.Clear();
        for (const std::string& archive : scratch.apisInScratch) {
            if (scratch.brokenApis.count(archive) != 0) continue;
            const ApiOutcome outcome = ExtractOneApi(host, scratch, archive);
            if (outcome == ApiOutcome::Used) scratch.apisExtracted = true;
            App().ProcessMessages();
            if (outcome != ApiOutcome::BrokenMidway && outcome != ApiOutcome::NotPrepared) continue;
            DeleteFolderTree(ScratchRoot + kScratchTree);
            CreateFolder(ScratchRoot + kScratchFolder);
            if (outcome == ApiOutcome::NotPrepared) {
                scratch.apiFilesInScratch = false;
                return;
            }
            startAgain = true;
            break;
        }
    }
    DropSignatureFiles(scratch.apiFiles);
    // Every JAR gets the same API classes: they are checked once, not in every JAR.
    scratch.apiClasses = CheckClassesBelow(ScratchRoot + kScratchFolder);
}

}  // namespace

// With --api auto, the catalogue is indexed here, once per batch, and no
// archive is extracted until a JAR needs one.
void RunApiPrePass(BatchHost& host, ApiScratch& scratch) {
    DeleteFolderTree(ScratchRoot + kScratchTree);  // whatever an earlier batch left
    App().ProcessMessages();
    CreateFolder(ScratchRoot + kScratchFolder);
    ExtractApis(host, scratch, scratch.selection.StartBatch());
}

// Every JAR starts with the wanted API files in the scratch folder. They stay
// there from one JAR to the next and are extracted again only when something
// emptied the folder or the wanted archives changed.
void ProvideApiFiles(BatchHost& host, ApiScratch& scratch, const std::vector<std::string>& wanted) {
    const bool nothingToAdd =
        host.ApiAuto() != nullptr ? wanted.empty() : !scratch.apisExtracted && scratch.apiFailure.empty();
    if (nothingToAdd) return;
    if (scratch.apiFailure.empty() && scratch.apiFilesInScratch && scratch.apisInScratch == wanted) return;
    DeleteFolderTree(ScratchRoot + kScratchTree);
    CreateFolder(ScratchRoot + kScratchFolder);
    ExtractApis(host, scratch, wanted);
    if (!scratch.apiFailure.empty()) throw std::runtime_error(scratch.apiFailure + "; the JAR is left as it is");
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
void LeaveOnlyTheManifest(ApiScratch& scratch, const JarManifest& manifest) {
    if (!scratch.apisExtracted) return;  // nothing but the manifest was ever extracted
    DeleteFolderTree(ScratchRoot + kScratchTree);
    CreateFolder(ScratchRoot + kScratchFolder);
    CreateFolder(FolderOf(manifest.scratchPath));
    ReplaceFileNow(manifest.scratchPath, manifest.bytes);
    scratch.apiFilesInScratch = false;
}

}  // namespace vorlan
