// SPDX-License-Identifier: MIT
// A bounded little-endian reader over bytes taken from an archive. Every read
// is checked: a read past the end yields zeros and marks the reader failed,
// so a record is decoded field by field and judged once at the end, without
// trusting any length it holds.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace vorlan {

// Bytes held in a string, as the decoders take them.
inline std::span<const std::uint8_t> AsBytes(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// Bytes taken from an archive, viewed as text (names, comments).
inline std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class LittleEndianReader {
public:
    explicit LittleEndianReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    explicit LittleEndianReader(std::string_view bytes) : bytes_(AsBytes(bytes)) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Little<1>()); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Little<2>()); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Little<4>()); }
    std::uint64_t U64() { return Little<8>(); }

    // The next count bytes; empty (and the reader failed) when fewer remain.
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (!ok_ || count > Remaining()) {
            ok_ = false;
            return {};
        }
        const auto part = bytes_.subspan(position_, count);
        position_ += count;
        return part;
    }
    void Skip(std::size_t count) { Take(count); }

    // True while no read went past the end.
    bool Ok() const { return ok_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    // The bytes not read yet, left unread.
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(position_); }

private:
    // A fixed width, so that on a little-endian machine the read is one load:
    // every record of every archive is decoded through here.
    template <std::size_t Width>
    std::uint64_t Little() {
        const auto part = Take(Width);
        if (part.size() != Width) return 0;
        std::uint64_t value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, part.data(), Width);
        } else {
            for (std::size_t i = Width; i > 0; --i) value = (value << 8) | part[i - 1];
        }
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

// Whether bytes begin with the given record signature.
inline bool StartsWithSignature(std::span<const std::uint8_t> bytes, std::uint32_t signature) {
    LittleEndianReader reader(bytes);
    return reader.U32() == signature && reader.Ok();
}

}  // namespace vorlan
