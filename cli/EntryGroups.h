// SPDX-License-Identifier: MIT
// Which entries of the file list --jobs must leave to one worker process:
// entries that touch the same files (the same JAR, or the same descriptor,
// under any name a link or a letter case gives them) form one group, which
// one worker processes in list order.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

struct EntryFacts {
    std::vector<std::string> keys;  // two entries that share any key share a group
};

// The keys of the entry with this absolute path: its folder (links resolved)
// with its name less the last three characters in lower case, as the JAR and
// the descriptor derive from it; the identity (device and inode) of the entry
// and of the JAR and descriptor beside it that exist.
EntryFacts FactsOfEntry(const std::string& absolutePath);

// The group of each entry: entries that share a key, directly or through
// others, share a group. Groups are numbered from 0 in the order of their
// first entries.
std::vector<int> GroupOfEachEntry(const std::vector<EntryFacts>& entries);

}  // namespace vorlan
