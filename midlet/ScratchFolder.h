// SPDX-License-Identifier: MIT
// The scratch folder, ScratchRoot + "vorlan", in which archives are unpacked
// and from which files are added into JARs; the literals appended to
// ScratchRoot to name it and the places in it.
#pragma once

#include <string>

namespace vorlan {

// The literals appended to ScratchRoot (which ends in "/"; a doubled "/" names
// the same folder).
inline constexpr const char* kScratchTree = "vorlan";      // deleted as a whole
inline constexpr const char* kScratchFolder = "/vorlan/";  // extract target, add base
inline constexpr const char* kScratchMetaInf = "/vorlan/META-INF/";
inline constexpr const char* kScratchManifestToSave = "/vorlan/META-INF/manifest.mf";
// A fix suite's JAR while it is made, beside (not inside) the scratch folder,
// whose files are added into it.
inline constexpr const char* kFixSuiteInTheMaking = "fix-suite.jar";

// Creates a folder. As with the Windows call, the result is not looked at: an
// existing folder is no failure, and a folder that cannot be made shows up
// later as a file that cannot be extracted, loaded or written.
void CreateFolder(const std::string& path);

// The manifest in the scratch folder, found ignoring the letter case of
// META-INF and MANIFEST.MF (the extract engine keeps the stored case); empty
// when there is none.
std::string FindScratchManifest();
// The manifest to write: the one already there in any case, else
// ScratchRoot + kScratchManifestToSave.
std::string ScratchManifestPathToSave();

// Removes every manifest from the scratch folder, so that the next one loaded
// can only be the one just extracted. Throws when one cannot be removed.
void RemoveScratchManifests();

// Tells the scratch folder that path is the only manifest in it (the one a
// JAR's reading has just extracted and loaded): removing the manifests next
// time is then one unlink instead of reading the folders.
void NoteOnlyScratchManifest(const std::string& path);
// Anything else written into the scratch folder (an extraction, a manifest
// saved there) may add manifests: the next removal reads the folders again.
void ForgetOnlyScratchManifest();

// Removes signature files (*.SF, *.RSA, *.DSA, *.EC in any letter case) from
// the scratch folder's META-INF: added into another JAR they would make Java
// and phones reject it as tampered. Throws when one cannot be removed.
void RemoveSignatureFiles();

// True when a file (not a folder) lies anywhere below folder.
bool FolderHoldsFiles(const std::string& folder);

}  // namespace vorlan
