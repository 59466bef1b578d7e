// SPDX-License-Identifier: MIT
// What the batch tells the user about the API files a JAR gets: the archives
// --api auto added and the classes none provides, and the JAR's own files an
// API archive replaced. Each is one of the entry's warnings.
#pragma once

#include <string>
#include <vector>

#include "midlet/ApiChooser.h"
#include "midlet/ScratchApiFiles.h"

namespace vorlan {

// "added nokiaui.zip for com/nokia/mid/ui/FullCanvas and 3 more"
std::string AddedApiNotice(const ChosenApi& chosen);

// "no API archive provides com/siemens/mp/game/Light and 2 more"
std::string UnprovidedNotice(const std::vector<std::string>& classes);

// "nokiaui.zip replaced 4 of Game.jar's own files: a/B.class, a/C.class,
// a/D.class and 1 more"
std::string ReplacedFilesWarning(const std::string& jarName, const ScratchApiFiles::Replaced& replaced);

}  // namespace vorlan
