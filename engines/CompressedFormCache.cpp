// SPDX-License-Identifier: MIT
// Keeping, finding and evicting compressed forms.
#include "engines/CompressedFormCache.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace vorlan::engine {

namespace {

// Enough for the API archives of a batch (a few hundred KB to a few MB of
// classes, with their compressed forms) while a batch stays well below its
// memory goal whatever the number of JARs.
constexpr std::size_t kProcessCacheBytes = 16 * 1024 * 1024;

constexpr std::size_t kSampledWords = 64;

std::uint64_t WordAt(std::span<const std::uint8_t> content, std::size_t offset) {
    std::uint64_t word = 0;
    std::memcpy(&word, content.data() + offset, std::min<std::size_t>(sizeof word, content.size() - offset));
    return word;
}

std::uint64_t Mixed(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ULL;
    return hash ^ (hash >> 29);
}

}  // namespace

// Words at evenly spaced places, the last word included: contents of one
// size that differ are told apart here most of the time, and always by the
// comparison that follows.
CompressedFormCache::Key CompressedFormCache::KeyOf(std::span<const std::uint8_t> content, int level) {
    std::uint64_t hash = content.size();
    if (!content.empty()) {
        const std::size_t step = std::max<std::size_t>(content.size() / kSampledWords, 1);
        for (std::size_t offset = 0; offset < content.size(); offset += step)
            hash = Mixed(hash, WordAt(content, offset));
        hash = Mixed(hash, WordAt(content, content.size() - std::min<std::size_t>(content.size(), 8)));
    }
    return Key{content.size(), hash, level};
}

std::size_t CompressedFormCache::KeyHash::operator()(const Key& key) const {
    return static_cast<std::size_t>(key.sampledHash ^ (key.size << 4) ^ static_cast<std::uint64_t>(key.level));
}

CompressedFormCache::CompressedFormCache(std::size_t byteLimit) : byteLimit_(byteLimit) {}

void CompressedFormCache::BeginOperation() {
    const std::lock_guard lock(mutex_);
    ++operation_;
}

std::shared_ptr<const CompressedEntry> CompressedFormCache::Find(std::span<const std::uint8_t> content, int level) {
    const Key key = KeyOf(content, level);
    const std::lock_guard lock(mutex_);
    const auto [first, last] = index_.equal_range(key);
    for (auto candidate = first; candidate != last; ++candidate) {
        Kept& kept = *candidate->second;
        if (!std::equal(content.begin(), content.end(), kept.content.begin(), kept.content.end())) {
            ++counters_.candidatesRejected;
            continue;
        }
        kept.lastOperation = operation_;
        order_.splice(order_.begin(), order_, candidate->second);
        ++counters_.hits;
        return kept.form;
    }
    ++counters_.misses;
    return nullptr;
}

void CompressedFormCache::Forget(Order::iterator kept) {
    const auto [first, last] = index_.equal_range(kept->key);
    for (auto candidate = first; candidate != last; ++candidate) {
        if (candidate->second != kept) continue;
        index_.erase(candidate);
        break;
    }
    counters_.bytesHeld -= kept->Bytes();
    --counters_.forms;
    order_.erase(kept);
}

bool CompressedFormCache::MakeRoom(std::size_t bytes) {
    while (counters_.bytesHeld + bytes > byteLimit_) {
        if (order_.empty() || order_.back().lastOperation == operation_) return false;
        Forget(std::prev(order_.end()));
        ++counters_.evictions;
    }
    return true;
}

void CompressedFormCache::Insert(std::vector<std::uint8_t> content, std::shared_ptr<const CompressedEntry> form,
                                 int level) {
    if (!form || !Accepts(content.size())) return;
    content.shrink_to_fit();
    const Key key = KeyOf(content, level);
    const std::lock_guard lock(mutex_);
    const auto [first, last] = index_.equal_range(key);
    for (auto candidate = first; candidate != last; ++candidate)
        if (candidate->second->content == content) return;  // kept already (by a nested operation)
    const std::size_t bytes = content.size() + form->data.size();
    if (!MakeRoom(bytes)) return;
    order_.push_front(Kept{key, std::move(content), std::move(form), operation_});
    index_.emplace(key, order_.begin());
    counters_.bytesHeld += bytes;
    ++counters_.forms;
}

CacheCounters CompressedFormCache::Counters() const {
    const std::lock_guard lock(mutex_);
    return counters_;
}

CompressedFormCache& ProcessCompressedFormCache() {
    static CompressedFormCache cache(kProcessCacheBytes);
    return cache;
}

}  // namespace vorlan::engine
