// SPDX-License-Identifier: MIT
// Fix suites built from the template.
#include "midlet/FixBuilder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "filecommit/ReplaceableTarget.h"
#include "fsutil/FolderTree.h"
#include "midlet/ArchiveHelpers.h"
#include "midlet/Descriptor.h"
#include "midlet/EntryWarnings.h"
#include "midlet/FixAttributes.h"
#include "midlet/FolderNameIndex.h"
#include "midlet/Globals.h"
#include "midlet/JadText.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "midlet/ScratchFolder.h"
#include "midlet/SuiteLock.h"
#include "midlet/TextLines.h"
#include "midlet/WrittenSuiteCheck.h"
#include "platform/Application.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

bool PointFirstMidletAtTemplate(TextLines& lines) {
    bool found = false;
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        if (!ContainsIgnoringCase(lines[i], "midlet-1:")) continue;
        // "MIDlet-1: Snake, /i.png, snake.Main" keeps "MIDlet-1: Snake,";
        // a line without a comma keeps nothing.
        // A line with no comma is all label: its key would otherwise go too,
        // leaving a line no manifest reader takes.
        const std::size_t comma = lines[i].find(',');
        const std::string label = comma == std::string::npos ? lines[i] + "," : lines[i].substr(0, comma + 1);
        lines.Set(i, label + "," + kFixMidletClass);
        found = true;
    }
    return found;
}

bool SetVersion(TextLines& lines, const std::string& fixVersion) {
    bool found = false;
    const std::size_t count = lines.Count();
    for (std::size_t i = 0; i < count; ++i) {
        if (!ContainsIgnoringCase(lines[i], "midlet-version:")) continue;
        lines.Set(i, "MIDlet-Version: " + fixVersion);
        found = true;
    }
    return found;
}

}  // namespace

void FixManifest(TextLines& lines, const std::string& fixVersion) {
    // The rewrites below must see whole attributes: a folded MIDlet-1 line
    // whose first comma is on its first physical line would otherwise keep
    // its continuation after the reader's class.
    JoinContinuationLines(lines);
    KeepWhatTheFixCanCarry(lines);
    const bool midletFound = PointFirstMidletAtTemplate(lines);
    const bool versionFound = SetVersion(lines, fixVersion);
    if (!midletFound) App().MessageBox("Manifest corrupt! No MIDlet-1 tag!", App().Title(), MB_OK);
    if (!versionFound) App().MessageBox("Manifest corrupt! No MIDlet-Version tag!", App().Title(), MB_OK);
}

bool AddMissingFirstMidlet(TextLines& lines, const std::string& fallbackName, EntryWarnings& warnings) {
    if (HasAttribute(lines, "MIDlet-1")) return false;
    std::string name = AttributeValue(lines, "MIDlet-Name");
    if (name.empty()) name = fallbackName;
    std::replace(name.begin(), name.end(), ',', ' ');  // a comma would end the midlet's label
    const std::string line = std::string("MIDlet-1: ") + name + ",," + kFixMidletClass;
    lines.Add(line);
    warnings.Add(
        "the manifest has no MIDlet-1, without which the fix would not install: the fix runs its reader as \"" + line +
        "\"");
    return true;
}

namespace {

enum class FixInput { Jar, Jad };

FixInput KindOfFixInput(const std::string& entryPath) {
    const std::string extension = LowerExtension(entryPath);
    if (extension == ".jar") return FixInput::Jar;
    if (extension == ".jad") return FixInput::Jad;
    throw std::runtime_error("\"" + entryPath + "\" is neither a .jar nor a .jad file: no fix can be built from it");
}

// The old suite's manifest into ManifestBuffer: a JAR's own, or the whole
// descriptor of a JAD (its size and URL lines included), without a
// byte-order mark (which Java takes for part of the first name) and, given
// its code page, converted to UTF-8.
void LoadOldManifest(TZip& zip, const std::string& entryPath, FixInput input, const std::string& codePage) {
    if (input == FixInput::Jar) {
        ReadJarManifest(zip, entryPath);
        App().ProcessMessages();
    } else {
        ManifestBuffer->LoadFromFile(entryPath);
    }
    DropByteOrderMark(*ManifestBuffer);
    ConvertToUtf8(*ManifestBuffer, codePage);
}

// The template's own manifest, read as any JAR's manifest is (it goes
// through ManifestBuffer, so this comes before the old suite's manifest).
TextLines ReadTemplateManifest(TZip& zip) {
    ReadJarManifest(zip, FixTemplatePath);
    TextLines manifest = *ManifestBuffer;
    JoinContinuationLines(manifest);
    return manifest;
}

// A JAD's fix replaces the JAR beside it: only when that is a suite's JAR
// (read through the archive component, as any JAR is), never some other
// file that happens to have its name.
void RequireSuiteJarOrNothing(TZip& zip, const std::string& target, const std::string& shownJar) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0) return;  // the fix JAR is new
    const std::string refusal = "\"" + shownJar + "\" is not replaced by the fix JAR: ";
    if (!S_ISREG(status.st_mode)) throw std::runtime_error(refusal + "it is not a regular file");
    try {
        zip.SetZipFileName(target);
    } catch (const ZipException& failure) {
        throw std::runtime_error(refusal + "it is not a zip archive (" + failure.what() + ")");
    }
    if (ManifestEntryCount(zip) == 0) throw std::runtime_error(refusal + "it has no META-INF/MANIFEST.MF");
}

// The fix suite, JAR and descriptor, made in the scratch root and written
// beside the old ones as unnamed files (in heldFolderFd, the folder of both,
// when it is open); a template that cannot be read, an add that fails, a
// descriptor that cannot be written or a kill half-way leaves the old suite
// as it was and nothing beside it.
CommitUnit ReplaceWithFixSuite(TZip& zip, const std::string& target, const std::string& shownJar,
                               const std::string& descriptor, int heldFolderFd, const FixWriting& writing) {
    const std::optional<struct stat> oldJar = CheckReplaceable(target);
    const std::string building = ScratchRoot + kFixSuiteInTheMaking;
    {
        PendingFile copy = PendingFile::Beside(building);
        copy.CopyFrom(FixTemplatePath);
        copy.Publish();
    }
    AddToArchive(zip, "*", ScratchRoot + kScratchFolder, building);
    App().ProcessMessages();
    // Read back, so that the descriptor repeats what the new JAR really holds.
    const JarManifest manifest = ReadJarManifest(zip, building);
    LeaveOutLinesNotUtf8(*ManifestBuffer, "the fix's manifest", writing.warnings);
    PendingFile jad = PrepareDescriptor(building, shownJar, descriptor, heldFolderFd);
    CheckWrittenSuite({ManifestBuffer->Text(), manifest.bytes, false, building, &zip, nullptr}, writing.options,
                      writing.warnings);
    NoteJarAfter(building, JarAfter::Written, writing.options.hashJars, writing.facts);
    PendingFile jar = PendingFile::Beside(target, heldFolderFd);
    if (oldJar && S_ISREG(oldJar->st_mode)) jar.SetMode(oldJar->st_mode);
    jar.CopyFrom(building);
    std::remove(building.c_str());  // the scratch root goes at exit should this fail
    CommitUnit unit;
    unit.Add(jar, FolderOf(target));
    unit.Add(jad, FolderOf(descriptor));
    App().ProcessMessages();
    return unit;
}

}  // namespace

CommitUnit BuildFixSuite(TZip& zip, const std::string& entryPath, const std::string& fixVersion, FolderNameIndex& names,
                         const std::function<void(const std::string&)>& recover, const LockWaiting& waiting,
                         const FixWriting& writing) {
    const FixInput input = KindOfFixInput(entryPath);
    RequireExistingFile(entryPath);
    if (writing.output.InPlace()) recover(entryPath);  // a prepared copy never writes beside its input
    const std::string shownJar =
        input == FixInput::Jar ? entryPath : names.ExistingNameInAnyCase(ReplaceLastThree(entryPath, "jar"));
    // A link to a JAR: its target is replaced and the link stays, as in the
    // other mode.
    const std::string target = ResolveLinks(shownJar);
    if (writing.output.InPlace()) recover(target);
    const std::string descriptor =
        input == FixInput::Jad ? entryPath : names.ExistingNameInAnyCase(ReplaceLastThree(shownJar, "jad"));
    SuiteLock lock(target, descriptor, waiting);
    if (input == FixInput::Jad) RequireSuiteJarOrNothing(zip, target, shownJar);
    // Fix suites carry nothing but the template and the rewritten manifest:
    // the API files of the batch's pre-pass go.
    DeleteFolderTree(ScratchRoot + kScratchTree);
    CreateFolder(ScratchRoot + kScratchFolder);
    const TextLines templateManifest = ReadTemplateManifest(zip);
    LoadOldManifest(zip, entryPath, input, writing.options.manifestCharset);
    NoteSuiteNames(*ManifestBuffer, writing.facts);
    NoteJarBefore(target, lock.JarSize(), writing.options.hashJars, writing.facts);
    CreateFolder(ScratchRoot + kScratchFolder);
    CreateFolder(ScratchRoot + kScratchMetaInf);
    FixManifest(*ManifestBuffer, fixVersion);
    AddMissingDeviceAttributes(*ManifestBuffer, templateManifest);
    const std::string stem = FileNamePart(shownJar);
    AddMissingFirstMidlet(*ManifestBuffer, stem.substr(0, stem.rfind('.')), writing.warnings);
    ReplaceFileNow(ScratchManifestPathToSave(), ManifestText(*ManifestBuffer));
    const std::string jarOut = writing.output.InPlace() ? target : writing.output.jar;
    const std::string jadOut = writing.output.InPlace() ? descriptor : writing.output.jad;
    const FileDescriptor outFolder = writing.output.InPlace() ? FileDescriptor() : PrepareSuiteOutput(writing.output);
    if (!writing.output.InPlace()) recover(jarOut);
    // A prepared copy's JAD names the copy (its letter case may differ from the input's).
    CommitUnit unit = ReplaceWithFixSuite(zip, jarOut, writing.output.InPlace() ? shownJar : jarOut, jadOut,
                                          outFolder.Get(), writing);
    names.Created(writing.output.InPlace() ? shownJar : jarOut);
    names.Created(jadOut);
    DeleteFolderTree(ScratchRoot + kScratchTree);
    for (FileDescriptor& held : lock.TakeLocks()) unit.held.push_back(std::move(held));
    unit.verify = lock.UnchangedCheck();
    return unit;
}

}  // namespace vorlan
