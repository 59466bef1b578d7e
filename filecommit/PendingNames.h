// SPDX-License-Identifier: MIT
// The names Vorlan gives files that are not (yet) the user's: a pending file
// beside its target (".Snake.jar.vorlan-Ab3dE6gH") and a commit's intent
// journal (".vorlan-commit-Ab3dE6gH"). Hidden, so that file lists do not show
// them, and recognisable, so that the run after a kill can complete or remove
// what it finds.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

// count letters and digits, random for every call.
std::string RandomLetters(std::size_t count);

std::string PendingNameFor(std::string_view targetName);
bool IsPendingName(std::string_view name);
// Whether name is one PendingNameFor(targetName) could have given.
bool IsPendingNameFor(std::string_view name, std::string_view targetName);

std::string JournalName();
bool IsJournalName(std::string_view name);

// The folder part of a path ("." for a bare name, "/" for the root) and its
// last component.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace vorlan
