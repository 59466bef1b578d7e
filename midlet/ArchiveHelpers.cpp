// SPDX-License-Identifier: MIT
// The two archive helpers through which all archive work of the batch goes to
// the archive component.
#include "midlet/ArchiveHelpers.h"

#include <stdexcept>

#include "midlet/ScratchFolder.h"
#include "zip/TZip.h"

namespace vorlan {

namespace {

constexpr TOptionSet kExtractWithFolders = OptionFlag(4);             // stored folder names kept
constexpr TOptionSet kAddFolderTree = OptionFlag(2) | OptionFlag(4);  // subfolders, relative names

}  // namespace

std::int32_t ExtractFromArchive(TZip& zip, const std::string& pattern, const std::string& folder,
                                const std::string& archive) {
    ForgetOnlyScratchManifest();  // whatever the archive holds may land in the scratch folder
    zip.FileSpecs().clear();
    zip.ExtractOptions = kExtractWithFolders;
    zip.SetZipFileName(archive);
    if (pattern == "*") {
        for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
            const TFileInfo& entry = zip.Entry(i);
            zip.FileSpecs().push_back(entry.FileName);
        }
    } else {
        zip.FileSpecs().push_back(pattern);
    }
    zip.ExtractBaseDir = folder;
    // A manifest that did not come out shows up as a file that cannot be
    // loaded; the API pre-pass compares the count with the archive's files.
    return zip.Extract();
}

void AddToArchive(TZip& zip, const std::string& pattern, const std::string& folder, const std::string& archive) {
    zip.SetZipFileName(archive);
    zip.FileSpecs().clear();
    zip.FileSpecs().push_back(pattern);
    zip.AddBaseDir = folder;
    zip.AddOptions = kAddFolderTree;
    // The add engine leaves the archive untouched when it fails; with files
    // there to add, that is a failure the caller must hear of, or a JAR would
    // be counted done without what it was to receive.
    if (zip.Add() <= 0 && FolderHoldsFiles(folder)) {
        const std::string& why = zip.LastEngineMessage;  // a refused archive says why
        throw std::runtime_error("Could not add the files of \"" + folder + "\" into \"" + archive + "\"" +
                                 (why.empty() ? std::string() : ": " + why));
    }
}

}  // namespace vorlan
