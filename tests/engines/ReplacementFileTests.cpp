// SPDX-License-Identifier: MIT
// The add engine's write side on its own: whatever mix of writes and seeks
// libzip makes, the file put in place holds exactly what was written where.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "engines/ReplacementFile.h"
#include "tests/support/TestTools.h"

namespace vorlan::engine {
namespace {

namespace fs = std::filesystem;

// Writes through the file and into a plain string alike.
class Mirror {
public:
    explicit Mirror(ReplacementFile& file) : file_(file) {}
    void Write(const std::string& bytes) {
        file_.Write(bytes.data(), bytes.size());
        if (model_.size() < position_ + bytes.size()) model_.resize(position_ + bytes.size());
        model_.replace(position_, bytes.size(), bytes);
        position_ += bytes.size();
        EXPECT_EQ(file_.Tell(), position_);
    }
    void Seek(std::uint64_t position) {
        file_.Seek(position);
        position_ = static_cast<std::size_t>(position);
    }
    std::size_t End() const { return model_.size(); }
    const std::string& Model() const { return model_; }

private:
    ReplacementFile& file_;
    std::string model_;
    std::size_t position_ = 0;
};

std::string Bytes(std::mt19937& generator, std::size_t count) {
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

TEST(ReplacementFile, HeadersPatchedNearAndFarLandWhereTheyBelong) {
    test::TempDir work;
    const fs::path target = work / "suite.jar";
    test::WriteFile(target, "old");
    std::mt19937 generator(7);
    ReplacementFile file(target.string(), std::nullopt);
    file.Begin();
    Mirror mirror(file);
    // Entries of every size, each with its header rewritten after its data,
    // as libzip does; now and then a seek back far into what went out.
    for (int entry = 0; entry < 500; ++entry) {
        const std::size_t header = mirror.End();
        mirror.Write(Bytes(generator, 30));
        const std::size_t size = entry % 50 == 0 ? 300000 : generator() % 9000;
        mirror.Write(Bytes(generator, size));
        mirror.Seek(header);
        mirror.Write(Bytes(generator, 30));
        if (entry % 97 == 0) {
            mirror.Seek(generator() % mirror.End());
            mirror.Write(Bytes(generator, 10));
        }
        mirror.Seek(mirror.End());
    }
    EXPECT_EQ(file.Written(), mirror.End());
    EXPECT_EQ(test::ReadFile(target), "old");  // nothing shows before the commit
    file.Commit();
    EXPECT_GT(mirror.End(), 4u * 1024 * 1024);  // past the buffer: writes went out on the way
    EXPECT_EQ(test::ReadFile(target), mirror.Model());
}

TEST(ReplacementFile, ARollbackLeavesTheOldFileAndNothingBesideIt) {
    test::TempDir work;
    const fs::path target = work / "suite.jar";
    test::WriteFile(target, "old");
    std::mt19937 generator(8);
    {
        ReplacementFile file(target.string(), std::nullopt);
        file.Begin();
        const std::string bytes = Bytes(generator, 1024 * 1024);
        file.Write(bytes.data(), bytes.size());
        file.Rollback();
    }
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vorlan::engine
