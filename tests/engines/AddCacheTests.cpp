// The add engine's compressed forms kept between operations, seen from
// outside: a file added again is stored exactly as compressing it gives,
// and a file that changed is never stored in its old form.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "tests/engines/ArchiveInspection.h"
#include "tests/engines/EngineHarness.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

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

class AddCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(scratch_);
        WriteFile(scratch_ / "api/A.class", ClassLike('A', 9000));
        WriteFile(scratch_ / "api/B.class", ClassLike('B', 3000));
    }
    fs::path Suite(const std::string& name) {
        const fs::path jar = work_ / name;
        PackWith("python", {{"META-INF/MANIFEST.MF", "MIDlet-Name: " + name + "\r\n"}, {"g/G.class", "g"}}, jar);
        return jar;
    }
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
    struct stat before {};
    ASSERT_EQ(stat(changing.c_str(), &before), 0);
    const std::string changed = ClassLike('Z', 9000);
    WriteFile(changing, changed);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, changing.c_str(), times, 0), 0);

    const fs::path second = Suite("second.jar");
    ASSERT_EQ(RunAdd({second, scratch_}, script_), 2);
    EXPECT_EQ(RunCommand({"unzip", "-p", second.string(), "api/A.class"}).output, changed);
    EXPECT_EQ(RunCommand({"unzip", "-p", first.string(), "api/A.class"}).output, ClassLike('A', 9000));
    EXPECT_EQ(InspectArchive(second).entry("api/A.class").storedDigest, DeflatedDigest(changing));
    EXPECT_TRUE(UnzipTestPasses(second));
}

}  // namespace
}  // namespace vorlan::test
