// SPDX-License-Identifier: MIT
// The user's own journal, left by a run killed between writing it and its
// renames, is completed by the next run, whatever the umask it was written
// under: a group-writable journal would be set aside as one others may have
// written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "filecommit/CommitJournal.h"
#include "filecommit/PendingFile.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

TEST(JournalRecovery, CompletesTheUsersOwnJournalWrittenUnderAGroupUmask) {
    TempDir dir;
    WriteFile(dir / "Snake.jar", "old suite");
    const FileDescriptor folder(::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const mode_t previous = ::umask(002);
    {
        PendingFile replacement(folder.Get(), "Snake.jar");
        replacement.Write("new suite");
        const PendingFile::HandedOver pending = replacement.HandOver();
        // Killed once the journal is written, before any rename.
        const CommitJournal journal(folder.Get(), dir.str(), {{dir.str(), pending.hiddenName, "Snake.jar"}});
    }
    ::umask(previous);
    const RecoveredFolder recovered = RecoverFolder(dir.str());
    EXPECT_TRUE(recovered.setAside.empty()) << recovered.setAside.front();
    EXPECT_EQ(ReadFile(dir / "Snake.jar"), "new suite");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vorlan::test
