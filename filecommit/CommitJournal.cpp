// Writing, removing and completing intent journals.
#include "filecommit/CommitJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "filecommit/FileCommitError.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"

namespace vorlan {

namespace {

// Names may hold any byte but NUL and '/': NUL ends each. The closing mark
// tells a whole journal from one a power cut left half written, which no
// rename can have followed.
constexpr std::string_view kHeader = "vorlan commit 1";
constexpr std::string_view kEnd = "end";

std::string JournalText(const std::vector<PendingRename>& renames) {
    std::string text(kHeader);
    text += '\0';
    for (const PendingRename& rename : renames) {
        text += rename.pendingName;
        text += '\0';
        text += rename.targetName;
        text += '\0';
    }
    text += kEnd;
    text += '\0';
    return text;
}

// The pairs of a whole journal; none for one that is not whole.
std::vector<std::pair<std::string, std::string>> JournalPairs(const std::string& text) {
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\0', start);
        if (end == std::string::npos) return {};
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() < 2 || fields.front() != kHeader || fields.back() != kEnd || fields.size() % 2 != 0) return {};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 1; i + 1 < fields.size(); i += 2) pairs.emplace_back(fields[i], fields[i + 1]);
    return pairs;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

std::vector<std::string> FolderNames(int folderFd) {
    std::vector<std::string> names;
    DIR* listing = ::fdopendir(::dup(folderFd));
    if (listing == nullptr) return names;
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) names.emplace_back(entry->d_name);
    ::closedir(listing);
    return names;
}

// Opens name in the folder and takes its lock when no live process holds it.
FileDescriptor OpenUnheld(int folderFd, const std::string& name) {
    FileDescriptor fd(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status {};
    if (!fd.Valid() || ::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return {};
    return fd;
}

void CompleteJournal(int folderFd, const std::string& folder, const std::string& name, int journalFd) {
    for (const auto& [pending, target] : JournalPairs(ReadAll(journalFd))) {
        // A pending file that is gone was renamed before the kill.
        if (::renameat(folderFd, pending.c_str(), folderFd, target.c_str()) != 0 && errno != ENOENT)
            throw FileCommitError(CommitStep::replace, "Cannot complete an interrupted change of",
                                  folder + "/" + target, errno);
    }
    ::fsync(folderFd);  // the renames durable before the journal goes; a folder that refuses is no worse off
    ::unlinkat(folderFd, name.c_str(), 0);
}

}  // namespace

CommitJournal::CommitJournal(int folderFd, const std::string& folder, const std::vector<PendingRename>& renames)
    : folderFd_(folderFd) {
    PendingFile journal(folderFd, ".vorlan-commit");
    journal.Write(JournalText(renames));
    if (::fdatasync(journal.Fd()) != 0)
        throw FileCommitError(CommitStep::write, "Cannot write the commit journal in", folder, errno);
    for (int attempt = 0; name_.empty(); ++attempt) {
        const std::string name = JournalName();
        try {
            journal.PublishAs(name);
            name_ = name;
        } catch (const FileCommitError& failure) {
            if (failure.ErrorNumber() != EEXIST || attempt >= 100) throw;
        }
    }
    fd_ = journal.ReleaseDescriptor();
}

void CommitJournal::Remove() noexcept {
    if (!name_.empty()) ::unlinkat(folderFd_, name_.c_str(), 0);
    name_.clear();
    fd_.Reset();
}

FileDescriptor RecoverFolder(const std::string& folder) {
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.Valid()) return {};  // nothing there to recover; the entry fails on its own
    const std::vector<std::string> names = FolderNames(folderFd.Get());
    for (const std::string& name : names) {
        if (!IsJournalName(name)) continue;
        const FileDescriptor journal = OpenUnheld(folderFd.Get(), name);
        if (journal.Valid()) CompleteJournal(folderFd.Get(), folder, name, journal.Get());
    }
    // Alone in the folder: every pending file nobody holds is what a killed
    // run left before its commit began, and the suite it was for is as it
    // was. With others at work here, their files are left alone.
    const bool alone = ::flock(folderFd.Get(), LOCK_EX | LOCK_NB) == 0;
    for (const std::string& name : names) {
        if (!alone || !IsPendingName(name)) continue;
        if (OpenUnheld(folderFd.Get(), name).Valid()) ::unlinkat(folderFd.Get(), name.c_str(), 0);
    }
    while (::flock(folderFd.Get(), LOCK_SH) != 0 && errno == EINTR) {
    }
    return folderFd;
}

}  // namespace vorlan
