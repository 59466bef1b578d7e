// A bounded little-endian reader over bytes already read from an archive:
// every read is checked, and a read past the end gives 0 and marks the
// reader as failed, so records are decoded field by field without trusting
// any length in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlan {

class LittleEndianReader {
public:
    explicit LittleEndianReader(std::string_view bytes) : bytes_(bytes) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

    // True while no read went past the end.
    bool Ok() const { return ok_; }

private:
    std::uint64_t Take(std::size_t size) {
        if (!ok_ || bytes_.size() - position_ < size) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= std::uint64_t{static_cast<unsigned char>(bytes_[position_ + i])} << (8 * i);
        }
        position_ += size;
        return value;
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

}  // namespace vorlan
