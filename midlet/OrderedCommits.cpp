// SPDX-License-Identifier: MIT
// Group commits and list-order reports.
#include "midlet/OrderedCommits.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <exception>

#include "filecommit/PendingNames.h"
#include "midlet/BatchHost.h"
#include "platform/Application.h"

namespace vorlan {

namespace {

// A suite waiting in the open group holds its pending JAR and JAD, a copy of
// each one's folder descriptor, and the locks of its JAR and JAD.
constexpr rlim_t kDescriptorsPerSuite = 6;

// Two groups, the open one and the one committing, leave half of the
// process's open files to everything else (the engines, the lookahead, the
// hashing, the window's toolkit).
constexpr rlim_t kGroupsAtOnce = 2;

std::size_t MostSuitesWithinFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return OrderedCommits::kMostSuites;
    const rlim_t fitting = limit.rlim_cur / 2 / kGroupsAtOnce / kDescriptorsPerSuite;
    return static_cast<std::size_t>(std::clamp<rlim_t>(fitting, 1, OrderedCommits::kMostSuites));
}

}  // namespace

OrderedCommits::OrderedCommits(BatchHost& host) : host_(host), mostSuites_(MostSuitesWithinFileLimit()) {}

// The committer goes first: a commit under way is finished before the
// group's files and locks are let go; one not begun is let go with its
// suites as they were.
OrderedCommits::~OrderedCommits() = default;

void OrderedCommits::Prepared(int index, CommitUnit unit, const std::vector<std::string>& keys,
                              std::vector<std::string> warnings, SuiteFacts facts) {
    if (unit.Empty()) {
        outcomes_.push_back({index, false, {}, std::move(warnings), std::move(facts)});
        return;
    }
    if (group_->Size() == 0) opened_ = std::chrono::steady_clock::now();
    group_->Add(std::move(unit));
    groupEntries_.push_back(index);
    groupKeys_.insert(keys.begin(), keys.end());
    outcomes_.push_back({index, true, {}, std::move(warnings), std::move(facts)});
    CommitIfDue();
}

void OrderedCommits::Failed(int index, const std::string& failure, std::vector<std::string> warnings,
                            SuiteFacts facts) {
    outcomes_.push_back({index, false, failure.empty() ? "failed" : failure, std::move(warnings), std::move(facts)});
}

void OrderedCommits::CommitIfHolding(const std::vector<std::string>& keys) {
    const auto holds = [&keys](const std::set<std::string>& groupKeys) {
        return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) { return groupKeys.count(key) != 0; });
    };
    if (committing_ && holds(committing_->keys)) FinishCommitting();
    if (holds(groupKeys_)) CommitOpenGroup();
}

// A group that has only waited long enough keeps growing while the one
// before it still commits: starting it would make the batch wait for that
// commit's flushes. A full group starts (and waits) all the same.
void OrderedCommits::CommitIfDue() {
    if (group_->Size() == 0) return;
    if (group_->Size() >= mostSuites_) {
        StartCommit();
        return;
    }
    const bool waitedLongEnough = std::chrono::steady_clock::now() - opened_ >= kLongestWait;
    if (waitedLongEnough && !StillCommitting()) StartCommit();
}

bool OrderedCommits::StillCommitting() const {
    return committing_ && committing_->failures.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void OrderedCommits::CommitOpenGroupSoon() {
    if (group_->Size() > 0) StartCommit();
}

void OrderedCommits::CommitOpenGroup() {
    FinishCommitting();
    if (group_->Size() == 0) return;
    NoteCommitted(groupEntries_, group_->Commit());
    groupEntries_.clear();
    groupKeys_.clear();
}

// Groups commit one after the other, in the order they were opened.
void OrderedCommits::StartCommit() {
    FinishCommitting();
    using Task = std::packaged_task<std::vector<std::string>()>;
    auto task = std::make_shared<Task>([group = std::shared_ptr<CommitGroup>(std::exchange(
                                            group_, std::make_unique<CommitGroup>()))] { return group->Commit(); });
    committing_.emplace(
        Committing{std::exchange(groupEntries_, {}), std::exchange(groupKeys_, {}), task->get_future()});
    // On the batch's thread when the process can start no other.
    if (!committer_.Post([task] { (*task)(); })) (*task)();
}

// A failure of the commit itself (not of one of its suites) goes to the batch
// as it did when the group committed on the batch's thread.
void OrderedCommits::FinishCommitting() {
    if (!committing_) return;
    Committing done = std::move(*committing_);
    committing_.reset();
    NoteCommitted(done.entries, done.failures.get());
}

void OrderedCommits::NoteCommitted(const std::vector<int>& entries, const std::vector<std::string>& failures) {
    for (std::size_t unit = 0; unit < failures.size(); ++unit) {
        for (Outcome& outcome : outcomes_) {
            if (outcome.index != entries[unit] || !outcome.waiting) continue;
            outcome.waiting = false;
            outcome.failure = failures[unit];
            break;
        }
    }
}

namespace {

// A failed entry's suite is as it was: nothing of the run went into it.
void LeaveOutWhatWasNotWritten(SuiteFacts& facts) {
    facts.jarSizeAfter = -1;
    facts.jarSha256After.clear();
    facts.apisAdded.clear();
}

}  // namespace

// Reports every outcome up to the first whose suite still waits in the group.
void OrderedCommits::ReportFinished() {
    if (committing_ && !StillCommitting()) FinishCommitting();
    std::exception_ptr stop;
    while (!outcomes_.empty() && !outcomes_.front().waiting) {
        Outcome outcome = std::move(outcomes_.front());
        outcomes_.pop_front();
        try {
            Report(outcome);
        } catch (...) {
            // The host ends the batch (a termination request). A suite put in
            // place is reported all the same, the group still committing
            // included; the open group is let go with its suites as they were.
            if (stop) continue;
            stop = std::current_exception();
            FinishCommitting();
        }
    }
    if (stop) std::rethrow_exception(stop);
}

void OrderedCommits::Report(Outcome& outcome) {
    const bool succeeded = outcome.failure.empty();
    SettleHashes(outcome.facts);
    if (!succeeded) LeaveOutWhatWasNotWritten(outcome.facts);
    host_.SetFileChecked(outcome.index, succeeded);
    for (const std::string& warning : outcome.warnings) host_.EntryWarning(outcome.index, warning);
    if (succeeded && host_.ApiAuto() != nullptr && !outcome.facts.apisAdded.empty())
        host_.EntryApisAdded(outcome.index, outcome.facts.apisAdded);
    host_.EntryDescribed(outcome.index, outcome.facts);
    host_.EntryFinished(outcome.index, succeeded, outcome.failure);
    App().ProcessMessages();
}

std::vector<std::string> SuiteKeys(const std::string& path, std::map<std::string, std::string>& folderIds) {
    std::vector<std::string> keys;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        keys.push_back("file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino));
    const std::string folder = FolderOf(path);
    auto known = folderIds.find(folder);
    if (known == folderIds.end()) {
        if (::stat(folder.c_str(), &status) != 0) return keys;
        known = folderIds.emplace(folder, std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino)).first;
    }
    std::string stem = NameOf(path);
    stem = stem.substr(0, stem.rfind('.'));
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    keys.push_back("name " + known->second + "/" + stem);
    return keys;
}

}  // namespace vorlan
