// SPDX-License-Identifier: MIT
// The compressed forms of contents this process has compressed before, so
// that the same files added into thousands of JARs (an API archive's classes)
// are deflated once. A form is found by its content only: its size and a
// hash of bytes sampled across it pick the candidates, and an exact
// comparison with the kept copy of each candidate's content decides. Names
// and times play no part, so a changed file is never mistaken for its old
// self, and two different contents that share a size, a CRC-32 or a hash stay
// apart. (The sampled hash costs the same for any size; a CRC or a full hash
// would cost as much as the comparison that has to follow anyway.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>
#include <vector>

#include "engines/EntryCompressor.h"

namespace vorlan::engine {

struct CacheCounters {
    std::uint64_t hits = 0;
    std::uint64_t misses = 0;
    std::uint64_t evictions = 0;
    std::uint64_t candidatesRejected = 0;  // same size and hash, other bytes
    std::size_t bytesHeld = 0;             // kept contents and their compressed forms
    std::size_t forms = 0;
};

class CompressedFormCache {
public:
    // byteLimit bounds the kept contents plus their compressed forms. A
    // content larger than an eighth of it is never kept.
    explicit CompressedFormCache(std::size_t byteLimit);
    CompressedFormCache(const CompressedFormCache&) = delete;
    CompressedFormCache& operator=(const CompressedFormCache&) = delete;

    // An operation begins: forms it uses are kept until the next one begins.
    void BeginOperation();

    // Whether a content of this size may be kept at all.
    bool Accepts(std::size_t contentSize) const { return contentSize <= byteLimit_ / 8; }

    // The form compressed at level from exactly this content, or null.
    std::shared_ptr<const CompressedEntry> Find(std::span<const std::uint8_t> content, int level);

    // Keeps the content's form. Least recently used forms of earlier
    // operations make room; when forms of this operation fill the bound, the
    // new one is not kept (a set of files larger than the bound, added again
    // and again, then keeps the part that fits instead of evicting every form
    // before it is used again).
    void Insert(std::vector<std::uint8_t> content, std::shared_ptr<const CompressedEntry> form, int level);

    CacheCounters Counters() const;

private:
    struct Key {
        std::uint64_t size;
        std::uint64_t sampledHash;
        int level;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    struct Kept {
        Key key;
        std::vector<std::uint8_t> content;
        std::shared_ptr<const CompressedEntry> form;
        std::uint64_t lastOperation = 0;
        std::size_t Bytes() const { return content.size() + form->data.size(); }
    };
    using Order = std::list<Kept>;  // most recently used first

    static Key KeyOf(std::span<const std::uint8_t> content, int level);
    bool MakeRoom(std::size_t bytes);
    void Forget(Order::iterator kept);

    const std::size_t byteLimit_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_multimap<Key, Order::iterator, KeyHash> index_;
    std::uint64_t operation_ = 0;
    CacheCounters counters_;
};

// The one cache of this process (of this loaded engine module).
CompressedFormCache& ProcessCompressedFormCache();

}  // namespace vorlan::engine
