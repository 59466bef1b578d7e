// SPDX-License-Identifier: MIT
// The add engine's compressed forms kept between operations, seen from
// outside: a file added again is stored exactly as compressing it gives,
// and a file that changed is never stored in its old form.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <chrono>
#include <thread>

#include <map>

#include "tests/engines/ArchiveInspection.h"
#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::Not;

// The SHA-1 of the file's raw deflate stream at level 9 as zlib (through
// Python) makes it: what the engine must store for it, found in its cache or not.
std::string DeflatedDigest(const fs::path& file) {
    const char* script =
        "import sys, zlib, hashlib\n"
        "c = zlib.compressobj(9, zlib.DEFLATED, -15, 8)\n"
        "d = c.compress(open(sys.argv[1], 'rb').read()) + c.flush()\n"
        "print(hashlib.sha1(d).hexdigest(), end='')\n";
    return RunCommand({"python3", "-c", script, file.string()}).output;
}

std::string ClassLike(char letter, std::size_t size) {
    std::string text;
    while (text.size() < size) text += std::string("public class ") + letter + " { void run(); int state; }\n";
    return text.substr(0, size);
}

// Writes other bytes into the file and puts its times back: only its
// content (and its change time, which nobody can set) tells it changed.
void RewriteKeepingTimes(const fs::path& file, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    WriteFile(file, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// A suite of the folder to add the files to.
fs::path Suite(const fs::path& folder, const std::string& name) {
    const fs::path jar = folder / name;
    PackWith("python", {{"META-INF/MANIFEST.MF", "MIDlet-Name: " + name + "\r\n"}, {"g/G.class", "g"}}, jar);
    return jar;
}

// A folder outside the test's temporary folder, removed at the end.
struct RemovedAtEnd {
    fs::path path;
    ~RemovedAtEnd() { fs::remove_all(path); }
};

class AddCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(scratch_);
        WriteFile(scratch_ / "api/A.class", ClassLike('A', 9000));
        WriteFile(scratch_ / "api/B.class", ClassLike('B', 3000));
    }
    fs::path Suite(const std::string& name) { return vorlan::test::Suite(work_.path(), name); }
    TempDir work_;
    fs::path scratch_ = work_ / "scratch";
    CallbackScript script_;
};

TEST_F(AddCacheTest, FilesAddedAgainAreStoredAsCompressingThemGives) {
    std::vector<fs::path> jars;
    for (const char* name : {"one.jar", "two.jar", "three.jar"}) {
        jars.push_back(Suite(name));
        ASSERT_EQ(RunAdd({jars.back(), scratch_}, script_), 2);
    }
    for (const char* name : {"api/A.class", "api/B.class"}) {
        const std::string expected = DeflatedDigest(scratch_ / name);
        for (const fs::path& jar : jars) EXPECT_EQ(InspectArchive(jar).entry(name).storedDigest, expected) << jar;
    }
    for (const fs::path& jar : jars) EXPECT_TRUE(UnzipTestPasses(jar)) << jar;
}

TEST_F(AddCacheTest, AChangedFileOfTheSameNameSizeAndTimeIsCompressedAnew) {
    const fs::path first = Suite("first.jar");
    ASSERT_EQ(RunAdd({first, scratch_}, script_), 2);
    const fs::path changing = scratch_ / "api/A.class";
    const std::string changed = ClassLike('Z', 9000);
    RewriteKeepingTimes(changing, changed);

    const fs::path second = Suite("second.jar");
    ASSERT_EQ(RunAdd({second, scratch_}, script_), 2);
    EXPECT_EQ(ArchiveEntry(second, "api/A.class"), changed);
    EXPECT_EQ(ArchiveEntry(first, "api/A.class"), ClassLike('A', 9000));
    EXPECT_EQ(InspectArchive(second).entry("api/A.class").storedDigest, DeflatedDigest(changing));
    EXPECT_TRUE(UnzipTestPasses(second));
}

// The same with the files in a folder held in memory, where a file read
// once, a while after its last change, is found again by its state alone,
// and a folder and file no change was reported for are not looked at again.
TEST(AddCacheInMemoryTest, AFileFoundByItsStateIsStillNeverStoredInAnOldForm) {
    struct statfs info {};
    if (statfs("/dev/shm", &info) != 0 || info.f_type != TMPFS_MAGIC) GTEST_SKIP() << "no tmpfs at /dev/shm";
    TempDir work;
    const fs::path scratch = fs::path("/dev/shm") / ("vorlan-test-" + work.path().filename().string());
    const RemovedAtEnd cleanup{scratch};
    const fs::path changing = scratch / "api/A.class";
    WriteFile(changing, ClassLike('A', 9000));
    WriteFile(scratch / "api/B.class", ClassLike('B', 3000));
    // Settled: read well after the last change.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CallbackScript script;
    const auto suite = [&work](const std::string& name) { return Suite(work.path(), name); };
    const fs::path first = suite("first.jar"), second = suite("second.jar");
    ASSERT_EQ(RunAdd({first, scratch}, script), 2);
    script.calls.clear();
    ASSERT_EQ(RunAdd({second, scratch}, script), 2);
    EXPECT_EQ(script.progressTotal(), 12000);  // told of every byte, read or not
    EXPECT_EQ(InspectArchive(second).entry("api/A.class").storedDigest, DeflatedDigest(changing));

    // Changed in place to other bytes of the same size, with its old time put back.
    struct stat before {};
    ASSERT_EQ(stat(changing.c_str(), &before), 0);
    const std::string changed = ClassLike('Z', 9000);
    RewriteKeepingTimes(changing, changed);
    const fs::path third = suite("third.jar");
    ASSERT_EQ(RunAdd({third, scratch}, script), 2);
    EXPECT_TRUE(ArchiveEntry(third, "api/A.class") == changed) << "stored in its old form";

    // Replaced by another file of the same name, size and time.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const fs::path fourth = suite("fourth.jar");
    ASSERT_EQ(RunAdd({fourth, scratch}, script), 2);  // settles the changed file
    fs::remove(changing);
    WriteFile(changing, ClassLike('Y', 9000));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, changing.c_str(), times, 0), 0);
    const fs::path fifth = suite("fifth.jar");
    ASSERT_EQ(RunAdd({fifth, scratch}, script), 2);
    EXPECT_TRUE(ArchiveEntry(fifth, "api/A.class") == ClassLike('Y', 9000)) << "the replaced file's form was stored";
    EXPECT_TRUE(ArchiveEntry(fourth, "api/A.class") == changed);

    // Files made in a folder listed before, and a file of another folder
    // changed through a name it has elsewhere (its own folder hears nothing).
    const fs::path elsewhere = scratch.string() + "-elsewhere";
    const RemovedAtEnd cleanupElsewhere{elsewhere};
    WriteFile(scratch / "res/R.class", ClassLike('R', 3000));
    fs::create_directory(elsewhere);
    fs::create_hard_link(scratch / "res/R.class", elsewhere / "R.class");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const fs::path sixth = suite("sixth.jar");
    ASSERT_EQ(RunAdd({sixth, scratch}, script), 3);
    const fs::path seventh = suite("seventh.jar");
    ASSERT_EQ(RunAdd({seventh, scratch}, script), 3);  // settles R
    WriteFile(scratch / "api/D.class", ClassLike('D', 700));
    WriteFile(scratch / "api/deeper/E.class", ClassLike('E', 500));
    RewriteKeepingTimes(elsewhere / "R.class", ClassLike('W', 3000));
    const fs::path eighth = suite("eighth.jar");
    ASSERT_EQ(RunAdd({eighth, scratch}, script), 5);
    EXPECT_TRUE(ArchiveEntry(eighth, "res/R.class") == ClassLike('W', 3000))
        << "the form of the file before its change was stored";
    EXPECT_TRUE(ArchiveEntry(eighth, "api/D.class") == ClassLike('D', 700));
    EXPECT_TRUE(ArchiveEntry(eighth, "api/deeper/E.class") == ClassLike('E', 500));

    // A folder changed before every walk (as the batch's manifest's is): a
    // file made there is looked at afresh each time, unwatched, and a change
    // through another name that keeps its size and times still shows.
    std::size_t renewals = 0;
    const auto renewedBeforeWalk = [&](const std::string& name, int files) {
        fs::remove(scratch / "meta/N.class");
        WriteFile(scratch / "meta/N.class", ClassLike('N', 100 + ++renewals));
        const fs::path jar = suite(name);
        EXPECT_EQ(RunAdd({jar, scratch}, script), files) << name;
        return jar;
    };
    renewedBeforeWalk("ninth.jar", 6);
    renewedBeforeWalk("tenth.jar", 6);
    WriteFile(scratch / "meta/M.class", ClassLike('M', 800));
    renewedBeforeWalk("eleventh.jar", 7);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    renewedBeforeWalk("twelfth.jar", 7);  // settles M
    fs::create_hard_link(scratch / "meta/M.class", elsewhere / "M.class");
    RewriteKeepingTimes(elsewhere / "M.class", ClassLike('Q', 800));
    const fs::path thirteenth = renewedBeforeWalk("thirteenth.jar", 7);
    EXPECT_TRUE(ArchiveEntry(thirteenth, "meta/M.class") == ClassLike('Q', 800))
        << "the form of the file before its change was stored";

    // A folder whose files were all found unchanged is taken as the last walk
    // found it only while nothing happens in it: a file removed is no longer
    // added, and the archive being updated is never added into itself.
    fs::remove(scratch / "api/D.class");
    const fs::path fourteenth = renewedBeforeWalk("fourteenth.jar", 6);
    EXPECT_THAT(InspectArchive(fourteenth).names(), Not(Contains("api/D.class")));
    const fs::path inside = scratch / "api/self.jar";
    fs::copy_file(first, inside);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const char* name : {"fifteenth.jar", "sixteenth.jar", "seventeenth.jar"}) renewedBeforeWalk(name, 7);
    EXPECT_EQ(RunAdd({inside, scratch}, script), 6);
    EXPECT_THAT(InspectArchive(inside).names(), Not(Contains("api/self.jar")));
    // Nor is a folder taken so when its files are named otherwise.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const char* name : {"eighteenth.jar", "nineteenth.jar", "twentieth.jar"}) renewedBeforeWalk(name, 7);
    AddRequest junked(suite("junked.jar"), scratch);
    junked.junkDirNames = true;
    EXPECT_EQ(RunAdd(junked, script), 7);
    EXPECT_THAT(InspectArchive(junked.archive).names(), AllOf(Contains("A.class"), Not(Contains("api/A.class"))));
    for (const fs::path& jar :
         {first, second, third, fourth, fifth, sixth, seventh, eighth, thirteenth, fourteenth, inside})
        EXPECT_TRUE(UnzipTestPasses(jar)) << jar;
}

TEST_F(AddCacheTest, FilesOfEverySizeArriveWholeWithTheirProgress) {
    // Around the piece size, the size read as found, and the size kept in
    // the cache: each takes another way through the engine.
    const std::vector<std::size_t> sizes{0, 1, 65535, 65536, 65537, 1048576, 1048577, 3u << 20};
    fs::remove_all(scratch_);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        WriteFile(scratch_ / ("data/f" + std::to_string(i)), ClassLike(static_cast<char>('a' + i), sizes[i]));
    const fs::path jar = Suite("sizes.jar");
    ASSERT_EQ(RunAdd({jar, scratch_}, script_), static_cast<std::int32_t>(sizes.size()));
    std::map<std::string, std::int64_t> progressed;
    std::string current;
    for (const RecordedCall& call : script_.calls) {
        if (call.code == ACTION_BEGIN_FILE) current = call.text;
        if (call.code == ACTION_PROGRESS) progressed[current] += call.value;
    }
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string name = "data/f" + std::to_string(i);
        EXPECT_EQ(ArchiveEntry(jar, name), ClassLike(static_cast<char>('a' + i), sizes[i])) << name;
        EXPECT_EQ(progressed[name], static_cast<std::int64_t>(sizes[i])) << name;
    }
    EXPECT_TRUE(UnzipTestPasses(jar));
}

}  // namespace
}  // namespace vorlan::test
