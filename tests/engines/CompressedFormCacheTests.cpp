// SPDX-License-Identifier: MIT
// The add engine's cache of compressed forms on its own: what it finds, what
// it must never confuse, and how its bound makes room.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "engines/CompressedFormCache.h"
#include "engines/EntryCompressor.h"
#include "tests/support/TestTools.h"

namespace vorlan::engine {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

// Text-like bytes: they compress, as class files do.
Bytes TextBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    static const char kWords[][8] = {"class ", "void ", "int ", "return ", "api.", "Canvas", "; ", "\n"};
    Bytes bytes;
    while (bytes.size() < count) {
        const char* word = kWords[generator() % 8];
        bytes.insert(bytes.end(), word, word + std::strlen(word));
    }
    bytes.resize(count);
    return bytes;
}

std::uint32_t Crc(const Bytes& bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

// Another content of the same size and CRC-32: the CRC is affine over GF(2),
// so of 64 single-bit changes in the first eight bytes, some set cancels out
// in the CRC. Gaussian elimination finds it.
Bytes SameSizeAndCrc(const Bytes& original) {
    const Bytes zeros(original.size(), 0);
    const std::uint32_t zeroCrc = Crc(zeros);
    struct Row {
        std::uint32_t change = 0;
        std::uint64_t bits = 0;
    };
    Row basis[32] = {};
    for (unsigned bit = 0; bit < 64; ++bit) {
        Bytes single = zeros;
        single[bit / 8] = static_cast<std::uint8_t>(1u << (bit % 8));
        Row row{Crc(single) ^ zeroCrc, std::uint64_t{1} << bit};
        for (int top = 31; top >= 0 && row.change != 0; --top) {
            if ((row.change >> top & 1u) == 0) continue;
            if (basis[top].bits == 0) {
                basis[top] = row;
                row.change = 0xFFFFFFFFu;  // kept: not a cancelling set
                break;
            }
            row.change ^= basis[top].change;
            row.bits ^= basis[top].bits;
        }
        if (row.change != 0) continue;
        Bytes forged = original;
        for (unsigned flip = 0; flip < 64; ++flip)
            if (row.bits >> flip & 1u) forged[flip / 8] ^= static_cast<std::uint8_t>(1u << (flip % 8));
        return forged;
    }
    ADD_FAILURE() << "no cancelling set of changes";
    return original;
}

Bytes Inflated(const CompressedEntry& entry) {
    Bytes out(entry.size + 1);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = const_cast<Bytef*>(entry.data.data());
    stream.avail_in = static_cast<uInt>(entry.data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    EXPECT_EQ(result, Z_STREAM_END);
    return out;
}

std::shared_ptr<const CompressedEntry> Stored(const Bytes& content) {
    return std::make_shared<const CompressedEntry>(CompressBytes(content, 9));
}

class CompressFileTest : public ::testing::Test {
protected:
    // The file's form through CompressFile, as the add engine asks for it.
    std::shared_ptr<const CompressedEntry> Compress(const Bytes& content, CompressedFormCache& cache) {
        const fs::path file = work_ / ("file" + std::to_string(++files_));
        test::WriteFile(file, std::string(content.begin(), content.end()));
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        std::uint64_t reported = 0;
        auto form = CompressFile(
            fd, content.size(), 9, [&](std::uint64_t bytes) { reported += bytes; }, file.string(), &cache);
        ::close(fd);
        EXPECT_EQ(reported, content.size());
        return form;
    }

    test::TempDir work_;
    int files_ = 0;
};

TEST_F(CompressFileTest, AHitGivesTheFormCompressingAnewGives) {
    CompressedFormCache cache(1 << 20);
    const Bytes content = TextBytes(20000, 1);
    const auto first = Compress(content, cache);
    const auto second = Compress(content, cache);
    EXPECT_EQ(cache.Counters().misses, 1u);
    EXPECT_EQ(cache.Counters().hits, 1u);
    const CompressedEntry fresh = CompressBytes(content, 9);
    for (const auto& form : {first, second}) {
        EXPECT_EQ(form->data, fresh.data);
        EXPECT_EQ(form->crc, Crc(content));
        EXPECT_EQ(form->size, content.size());
        EXPECT_EQ(Inflated(*form), content);
    }
    EXPECT_LT(first->data.size(), content.size());
}

TEST_F(CompressFileTest, ContentsOfEqualSizeAndCrcAreNotConfused) {
    CompressedFormCache cache(1 << 20);
    const Bytes original = TextBytes(5000, 2);
    const Bytes forged = SameSizeAndCrc(original);
    ASSERT_NE(forged, original);
    ASSERT_EQ(Crc(forged), Crc(original));
    Compress(original, cache);
    const auto form = Compress(forged, cache);
    EXPECT_EQ(cache.Counters().hits, 0u);
    EXPECT_EQ(Inflated(*form), forged);
}

TEST(CompressedFormCache, ContentsThatShareTheLookupKeyAreComparedByteForByte) {
    CompressedFormCache cache(1 << 20);
    const Bytes original = RandomBytes(64 * 1024, 3);
    cache.Insert(original, Stored(original), 9);
    // Most single-byte changes fall between the sampled words, so some of
    // these reach the comparison; none may be taken for the original.
    for (std::size_t position = 1; position < original.size(); position += 61) {
        Bytes changed = original;
        changed[position] ^= 0x5A;
        EXPECT_EQ(cache.Find(changed, 9), nullptr) << position;
    }
    EXPECT_GT(cache.Counters().candidatesRejected, 0u);
    EXPECT_NE(cache.Find(original, 9), nullptr);
    EXPECT_EQ(cache.Find(original, 6), nullptr);  // another level is another form
}

TEST(CompressedFormCache, TheBoundEvictsTheLeastRecentlyUsedOfEarlierOperations) {
    // Random bytes do not compress: each content and its form take ~24 KiB,
    // and five of them fit.
    CompressedFormCache cache(128 * 1024);
    std::vector<Bytes> contents;
    for (unsigned i = 0; i < 6; ++i) contents.push_back(RandomBytes(12000, 10 + i));
    for (unsigned i = 0; i < 5; ++i) {
        cache.BeginOperation();
        cache.Insert(contents[i], Stored(contents[i]), 9);
    }
    cache.BeginOperation();
    ASSERT_NE(cache.Find(contents[0], 9), nullptr);  // used again: now the most recent
    cache.BeginOperation();
    cache.Insert(contents[5], Stored(contents[5]), 9);
    EXPECT_EQ(cache.Counters().evictions, 1u);
    EXPECT_EQ(cache.Find(contents[1], 9), nullptr);
    for (const unsigned kept : {0u, 2u, 3u, 4u, 5u}) EXPECT_NE(cache.Find(contents[kept], 9), nullptr) << kept;
    EXPECT_LE(cache.Counters().bytesHeld, 128u * 1024u);
}

TEST(CompressedFormCache, FormsOfTheRunningOperationAreNotEvictedForItsOwnNewOnes) {
    CompressedFormCache cache(128 * 1024);
    cache.BeginOperation();
    for (unsigned i = 0; i < 7; ++i) {
        const Bytes content = RandomBytes(12000, 20 + i);
        cache.Insert(content, Stored(content), 9);
    }
    EXPECT_EQ(cache.Counters().evictions, 0u);
    EXPECT_EQ(cache.Counters().forms, 5u);
    EXPECT_NE(cache.Find(RandomBytes(12000, 20), 9), nullptr);
    EXPECT_EQ(cache.Find(RandomBytes(12000, 26), 9), nullptr);
    EXPECT_FALSE(cache.Accepts(16 * 1024 + 1));  // more than an eighth of the bound is never kept
}

}  // namespace
}  // namespace vorlan::engine
