// SPDX-License-Identifier: MIT
// The batch's suites committed in groups and reported in list order. A suite
// whose new files are ready joins the open group; the group commits after
// kMostSuites suites (fewer under a low limit of open files) or, once the
// group before it has committed, after kLongestWait; before a suite it holds
// is worked on again, before the process waits for another's lock, and at the
// end of the batch. A group that is due commits on a thread of its own while
// the next suites are prepared: its flushes wait for the disk, not the batch.
// Check marks and EntryFinished come only once an entry's suite is in place
// (or has failed), and always in list order.
#pragma once

#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "filecommit/CommitGroup.h"
#include "midlet/BackgroundWorker.h"
#include "midlet/SuiteFacts.h"

namespace vorlan {

class BatchHost;

class OrderedCommits {
public:
    // Each group costs a few flushes that wait for the disk (a quarter of a
    // run without APIs on ext4 with groups of 64, when the batch's thread
    // waited for them).
    static constexpr std::size_t kMostSuites = 256;
    static constexpr std::chrono::milliseconds kLongestWait{250};

    explicit OrderedCommits(BatchHost& host);

    // The entry's suite is ready to commit (an empty unit: nothing to
    // replace, the entry has succeeded). keys name the suite's files;
    // warnings and what is known of the suite go to the host with the
    // entry's outcome.
    void Prepared(int index, CommitUnit unit, const std::vector<std::string>& keys,
                  std::vector<std::string> warnings = {}, SuiteFacts facts = {});
    void Failed(int index, const std::string& failure, std::vector<std::string> warnings = {}, SuiteFacts facts = {});

    ~OrderedCommits();  // waits for a group still committing
    OrderedCommits(const OrderedCommits&) = delete;
    OrderedCommits& operator=(const OrderedCommits&) = delete;

    // Commits the open group, and waits for the one committing, when either
    // holds one of keys.
    void CommitIfHolding(const std::vector<std::string>& keys);
    // Starts the open group's commit when it is full, or has waited long
    // enough and no other group is committing; the batch goes on meanwhile.
    void CommitIfDue();
    // Starts the open group's commit whatever its size; the batch goes on
    // meanwhile (CommitOpenGroup waits for it).
    void CommitOpenGroupSoon();
    // Commits the open group and waits until every group is committed.
    void CommitOpenGroup();

    // Reports every finished entry up to the first whose suite still waits in
    // the group. Called apart from the steps: a host may end the batch from
    // EntryFinished (a termination request), which must not pass for the
    // failure of a step. The entries done by then are reported before the
    // host's stop goes on.
    void ReportFinished();

private:
    struct Outcome {
        int index;
        bool waiting;  // its suite is in the open group or the one committing
        std::string failure;
        std::vector<std::string> warnings;
        SuiteFacts facts;
    };

    // A group committing on the committer's thread.
    struct Committing {
        std::vector<int> entries;
        std::set<std::string> keys;
        std::future<std::vector<std::string>> failures;
    };

    void Report(Outcome& outcome);
    void StartCommit();
    bool StillCommitting() const;
    void FinishCommitting();
    void NoteCommitted(const std::vector<int>& entries, const std::vector<std::string>& failures);

    BatchHost& host_;
    std::unique_ptr<CommitGroup> group_ = std::make_unique<CommitGroup>();
    std::vector<int> groupEntries_;  // the entry of each unit in the group
    std::set<std::string> groupKeys_;
    std::chrono::steady_clock::time_point opened_;
    const std::size_t mostSuites_;
    std::deque<Outcome> outcomes_;
    std::optional<Committing> committing_;
    // Its own thread, not another task's: a group's flushes wait for the disk,
    // and the class scans and hashes queued behind them would keep the batch
    // waiting too. Last, so first to go: it finishes the commit under way.
    BackgroundWorker committer_;
};

// The keys of the suite an entry's path belongs to: the file it names
// (device and inode, whatever link or letter case gives it) and its folder
// and name without extension (a JAR and its JAD share them). folderIds
// remembers each folder's device and inode, looked up once per batch.
std::vector<std::string> SuiteKeys(const std::string& path, std::map<std::string, std::string>& folderIds);

}  // namespace vorlan
