// SPDX-License-Identifier: MIT
// The text of a commit journal, and a journal found in a folder read and
// judged before anything it lists is done. In a shared folder another user
// may plant a file of a journal's name: only a journal this user wrote, that
// nobody else may change, and whose every rename is one this user's commit
// makes (a pending file of ours to the .jar or .jad name it was made for,
// both in this folder) is obeyed. Any other is set aside, untouched.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "filecommit/CommitJournal.h"

namespace vorlan {

// A group's journal is a few KB; a larger file is none of ours.
constexpr std::size_t kMostJournalBytes = std::size_t{1} << 20;

// The journal listing renames (all of one folder), as it is written.
std::string JournalText(const std::vector<PendingRename>& renames);

struct FoundJournal {
    std::vector<std::pair<std::string, std::string>> renames;  // pending name -> target name, in order
    std::string refusal;                                       // why it is set aside; empty when it may be obeyed
};

// Reads and judges the journal open as journalFd, found in the open folder
// folderFd. One that is not whole (a power cut while it was written, before
// any rename it lists was done) may be obeyed and lists nothing.
FoundJournal ReadFoundJournal(int folderFd, int journalFd);

}  // namespace vorlan
