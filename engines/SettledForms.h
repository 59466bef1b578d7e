// SPDX-License-Identifier: MIT
// The compressed forms of files this process has read and compressed before,
// found again by the file itself instead of by reading it. A batch adds the
// scratch folder's API files, unchanged, into every JAR; opening and reading
// some hundred files for every JAR only to learn that they still hold what
// they held costs more than the rest of the add.
//
// A file is taken for what it was only when all the kernel keeps of its
// identity and changes is as it was: device, inode, size, modification time
// and change time. The change time (ctime) cannot be set by anyone and moves
// with every write, truncation, rename or attribute change. Times come from
// a clock that advances in ticks of a few milliseconds, though, so a second
// write within the tick of the first leaves ctime as it was: a file is
// therefore found this way only when it was read more than kSettledAfter
// after its last change. Any change after that read gets a later ctime than
// the one remembered, and a file replaced by another gets another inode or a
// later ctime. Only folders held in memory (tmpfs) take part: their times have
// nanosecond resolution and their ticks are short; on other file systems,
// whose times may be coarser than the margin, every file is read.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "engines/EntryCompressor.h"

namespace vorlan::engine {

// How long after its last change a file must have been read to be found
// again without reading: far more than a clock tick (1 to 10 ms).
constexpr long kSettledAfterNanoseconds = 100'000'000;

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileState& other) const;
};

FileState StateOf(const struct stat& status);

// A file as it was stat'ed (on its open descriptor) just before it was read,
// and the time taken before that stat.
struct FileReading {
    FileState state;
    timespec readAt{};
};

timespec RealTimeNow();

// True when the folder is on a file system held in memory (tmpfs).
bool HeldInMemory(const char* folderPath);

class SettledForms {
public:
    // Whether a file of that path (relative to the current folder) was
    // remembered: only then is it worth a stat.
    bool Knows(const std::string& path) const;

    // The form remembered for the file at path at level, when the file is in
    // exactly the state it was read in, that reading was settled, and the
    // form is still kept (by the compressed-form cache). Null otherwise.
    std::shared_ptr<const CompressedEntry> Find(const std::string& path, const FileState& now, int level) const;

    // Remembers the form compressed at level from what was read of the file.
    // The form is not held here: once the cache lets it go, the file is read again.
    void Remember(const std::string& path, const FileReading& reading, int level,
                  const std::shared_ptr<const CompressedEntry>& form);

private:
    struct Record {
        FileReading reading;
        int level = 0;
        std::weak_ptr<const CompressedEntry> form;
    };
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
};

// The one of this process (of this loaded engine module).
SettledForms& ProcessSettledForms();

}  // namespace vorlan::engine
