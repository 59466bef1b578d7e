// A bounded little-endian reader over bytes taken from an archive. Every read
// is checked; a read past the end yields zeros and marks the reader failed, so
// a record is decoded field by field and judged once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vorlan::engine {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint16_t u16() { return static_cast<std::uint16_t>(little(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(little(4)); }
    std::uint64_t u64() { return little(8); }

    // The next count bytes; empty (and the reader failed) when fewer remain.
    std::span<const std::uint8_t> take(std::size_t count) {
        if (!ok_ || count > remaining()) {
            ok_ = false;
            return {};
        }
        const auto part = bytes_.subspan(position_, count);
        position_ += count;
        return part;
    }
    void skip(std::size_t count) { take(count); }

    bool ok() const { return ok_; }
    std::size_t offset() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }

private:
    std::uint64_t little(std::size_t width) {
        const auto part = take(width);
        std::uint64_t value = 0;
        for (std::size_t i = part.size(); i > 0; --i) value = (value << 8) | part[i - 1];
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace vorlan::engine
