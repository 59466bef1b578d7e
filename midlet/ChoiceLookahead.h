// SPDX-License-Identifier: MIT
// --api auto's choices made ahead: while the batch writes one suite, a
// thread of its own scans the class files of the JARs that come next, so
// that the scan (inflating every class file of a JAR) costs no waiting.
// When the batch has to wait for a scan, it scans a later JAR meanwhile.
// A choice made ahead is used only for the very file it was made from: the
// file's identity, size and times must be the same before the scan, after
// it and when the batch asks; anything else is scanned again then.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "midlet/ApiChooser.h"
#include "midlet/BackgroundWorker.h"

namespace vorlan {

class ChoiceLookahead {
public:
    using Scan = std::function<ApiChoice(const std::string& jarPath)>;

    // scan is called on the lookahead's thread, and on the thread that
    // waits in Take for one JAR's scan to end, for a JAR expected after it.
    explicit ChoiceLookahead(Scan scan);
    ChoiceLookahead(const ChoiceLookahead&) = delete;
    ChoiceLookahead& operator=(const ChoiceLookahead&) = delete;

    // A JAR the batch will ask about, in the order it will ask. The batch
    // keeps the JARs expected and not yet asked for to a few.
    void Expect(std::string jarPath);

    // The choice made ahead for the JAR at jarPath (by its name or through
    // a link to it), waiting for a scan under way; nothing when there is
    // none, or the file changed. Choices for JARs listed before it that the
    // batch never asked for are dropped.
    std::optional<ApiChoice> Take(const std::string& jarPath);

private:
    struct Stamp {
        unsigned long long device, inode, size, modified, changed;
        bool operator==(const Stamp&) const = default;
    };
    struct Ahead {
        std::string path;
        bool started = false;
        bool done = false;
        std::optional<Stamp> before;  // when the scan began
        std::optional<Stamp> after;   // when it ended; a choice is good only if both agree
        ApiChoice choice;
    };

    static std::optional<Stamp> StampOf(const std::string& path);
    bool Begin(const std::shared_ptr<Ahead>& ahead);
    void ScanAhead(const std::shared_ptr<Ahead>& ahead);

    Scan scan_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Ahead>> queue_;  // expected, not yet taken
    BackgroundWorker worker_;                   // last: it stops before what its scans use goes
};

}  // namespace vorlan
