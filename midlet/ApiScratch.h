// SPDX-License-Identifier: MIT
// The API files in the scratch folder through a batch: which archives are
// there, the files they put there, the ones found unusable, and why the
// folder could not take them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "midlet/ApiSelection.h"
#include "midlet/ScratchApiFiles.h"
#include "suitecheck/Findings.h"

namespace vorlan {

class BatchHost;
struct JarManifest;

struct ApiScratch {
    explicit ApiScratch(BatchHost& host) : selection(host) {}
    bool apisExtracted = false;              // an API archive has been extracted in this batch
    bool apiFilesInScratch = false;          // the scratch folder holds the API files as extracted
    std::vector<std::string> apisInScratch;  // the archives they were extracted for
    ScratchApiFiles apiFiles;                // the files those archives put there
    ApiSelection selection;                  // the archives of the JAR in hand
    std::set<std::string> brokenApis;        // checked archives found unusable, reported once
    std::set<std::string> warnedApis;        // archives whose left-out entries were reported
    std::string apiFailure;                  // why the API files could not be unpacked (a full disk)
    std::vector<Finding> apiClasses;         // the checker's findings on the API class files
};

// The batch's start: the scratch folder emptied and the checked archives
// extracted into it (with --api auto, only the catalogue indexed).
void RunApiPrePass(BatchHost& host, ApiScratch& scratch);

// The wanted archives' files in the scratch folder for the JAR in hand,
// extracted again only when they are not there as wanted. Throws when the
// folder cannot take them: the JAR is then left as it is.
void ProvideApiFiles(BatchHost& host, ApiScratch& scratch, const std::vector<std::string>& wanted);

// The checked archives that went into a JAR.
std::vector<std::string> ArchivesAdded(const std::vector<std::string>& wanted, bool adding,
                                       const std::set<std::string>& broken);

// The scratch folder left with the JAR's mended manifest alone.
void LeaveOnlyTheManifest(ApiScratch& scratch, const JarManifest& manifest);

}  // namespace vorlan
