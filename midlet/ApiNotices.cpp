// SPDX-License-Identifier: MIT
// The texts of the API notices.
#include "midlet/ApiNotices.h"

namespace vorlan {

namespace {

// The first few names, then how many more.
std::string FirstFew(const std::vector<std::string>& names, std::size_t few) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < few; ++i) text += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > few) text += " and " + std::to_string(names.size() - few) + " more";
    return text;
}

}  // namespace

std::string AddedApiNotice(const ChosenApi& chosen) {
    return "added " + chosen.archive + " for " + FirstFew(chosen.classes, 1);
}

std::string UnprovidedNotice(const std::vector<std::string>& classes) {
    return "no API archive provides " + FirstFew(classes, 1);
}

std::string ReplacedFilesWarning(const std::string& jarName, const ScratchApiFiles::Replaced& replaced) {
    const std::size_t count = replaced.jarFiles.size();
    return replaced.archive + " replaced " + std::to_string(count) + " of " + jarName +
           "'s own files: " + FirstFew(replaced.jarFiles, 3);
}

}  // namespace vorlan
