// SPDX-License-Identifier: MIT
// Choosing the API archives of a JAR, and the notices about them.
#include "midlet/ApiSelection.h"

#include <algorithm>

#include "midlet/ApiNotices.h"
#include "midlet/BatchHost.h"
#include "midlet/EntryWarnings.h"

namespace vorlan {

std::vector<std::string> ApiSelection::StartBatch() {
    std::vector<std::string> archives;
    ApiChooser* chooser = host_.ApiAuto();
    for (int i = 0; i < host_.ApiCount(); ++i)
        if (chooser != nullptr || host_.ApiChecked(i)) archives.push_back(host_.ApiAt(i));
    if (chooser == nullptr) return archives;
    chooser->IndexCatalogue(archives);
    return {};
}

std::vector<std::string> ApiSelection::WantedFor(const std::string& jarPath) {
    std::vector<std::string> wanted;
    ApiChooser* chooser = host_.ApiAuto();
    if (chooser == nullptr) {
        for (int i = 0; i < host_.ApiCount(); ++i)
            if (host_.ApiChecked(i)) wanted.push_back(host_.ApiAt(i));
        return wanted;
    }
    choice_ = chooser->Choose(jarPath);
    for (const ChosenApi& chosen : choice_.archives) wanted.push_back(chosen.archive);
    return wanted;
}

bool ApiSelection::Adding(const std::vector<std::string>& wanted, const std::set<std::string>& broken,
                          bool anyExtracted) const {
    if (host_.ApiAuto() == nullptr) return anyExtracted;
    return std::any_of(wanted.begin(), wanted.end(),
                       [&broken](const std::string& archive) { return broken.count(archive) == 0; });
}

void ApiSelection::SettleReplacedFiles(const ScratchApiFiles& apiFiles, const TZip& jar, const std::string& jarName,
                                       EntryWarnings& warnings, FilesSetAside& keptOut) const {
    const std::vector<ScratchApiFiles::Replaced> replaced = apiFiles.ReplacedIn(jar);
    if (host_.ApiAuto() != nullptr) {
        keptOut.Take(replaced);
        return;
    }
    for (const ScratchApiFiles::Replaced& archive : replaced) warnings.Add(ReplacedFilesWarning(jarName, archive));
}

std::vector<std::string> ApiSelection::NoteChosen(bool added, const std::set<std::string>& broken,
                                                  EntryWarnings& warnings) const {
    std::vector<std::string> archives;
    if (host_.ApiAuto() == nullptr) return archives;
    for (const ChosenApi& chosen : choice_.archives) {
        if (!added || broken.count(chosen.archive) != 0) continue;
        warnings.Add(AddedApiNotice(chosen));
        archives.push_back(chosen.archive);
    }
    if (!choice_.unprovided.empty()) warnings.Add(UnprovidedNotice(choice_.unprovided));
    return archives;
}

}  // namespace vorlan
