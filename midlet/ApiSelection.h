// SPDX-License-Identifier: MIT
// Which API archives each JAR of mode 0 gets, and what the user is told of
// them: the checked archives, or with --api auto the archives of the
// catalogue that provide the classes the JAR lacks. A JAR's own files are
// not replaced in silence: a checked archive's copy goes in with a warning,
// --api auto leaves the archive's copy out.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "midlet/ApiChooser.h"
#include "midlet/ScratchApiFiles.h"

namespace vorlan {

class BatchHost;
class EntryWarnings;
class TZip;

class ApiSelection {
public:
    explicit ApiSelection(BatchHost& host) : host_(host) {}

    // The archives to extract before the first JAR: the checked ones, or
    // none with --api auto, whose chooser indexes the catalogue now.
    std::vector<std::string> StartBatch();

    // The archives the JAR at jarPath is to get, in catalogue order.
    std::vector<std::string> WantedFor(const std::string& jarPath);

    // Whether the JAR gets API files: with --api auto when one of its
    // archives could be used, else when any checked archive could
    // (anyExtracted).
    bool Adding(const std::vector<std::string>& wanted, const std::set<std::string>& broken, bool anyExtracted) const;

    // The JAR's own files (of the open archive jar) that the API files would
    // replace: a warning each archive, or with --api auto set aside for the
    // add into keptOut.
    void SettleReplacedFiles(const ScratchApiFiles& apiFiles, const TZip& jar, const std::string& jarName,
                             EntryWarnings& warnings, FilesSetAside& keptOut) const;

    // --api auto: a warning for each archive added (added tells whether the
    // JAR got its archives) and for the classes none provides; gives the
    // archives added.
    std::vector<std::string> NoteChosen(bool added, const std::set<std::string>& broken, EntryWarnings& warnings) const;

private:
    BatchHost& host_;
    ApiChoice choice_;  // of the JAR in hand
};

}  // namespace vorlan
