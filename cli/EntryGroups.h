// How --jobs shares the file list among worker processes. Entries that touch
// the same files (the same JAR, or the same descriptor, under any name a link
// or a letter case gives them) form one group and go to one worker, which
// processes them in list order; the groups are dealt out in list order, each
// to the worker with the least work so far.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlan {

struct EntryFacts {
    std::vector<std::string> keys;  // two entries that share any key share a group
    std::uint64_t cost = 0;         // a guess of the entry's work
};

// The keys and cost of the entry with this absolute path: its folder (links
// resolved) with its name less the last three characters in lower case, as
// the JAR and the descriptor derive from it; the identity (device and inode)
// of the entry and of the JAR and descriptor beside it that exist; the JAR's
// size.
EntryFacts FactsOfEntry(const std::string& absolutePath);

// For each of at most `workers` workers, the list indices of its entries in
// list order. Workers that would get nothing are left out.
std::vector<std::vector<int>> AssignEntries(const std::vector<EntryFacts>& entries, int workers);

}  // namespace vorlan
