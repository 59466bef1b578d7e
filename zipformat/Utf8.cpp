// SPDX-License-Identifier: MIT
// The strict and the lenient reading of a UTF-8 sequence.
#include "zipformat/Utf8.h"

#include <cstdint>
#include <cstring>

namespace vorlan {

namespace {

// The length a lead byte announces; 0 for a byte that cannot lead.
std::size_t AnnouncedLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

unsigned char ByteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

}  // namespace

std::size_t Utf8CharacterLength(std::string_view text) {
    if (text.empty()) return 0;
    const unsigned char lead = ByteAt(text, 0);
    const std::size_t length = AnnouncedLength(lead);
    if (length == 0 || text.size() < length) return 0;
    // The second byte's range narrows after E0, ED, F0 and F4.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char byte = ByteAt(text, i);
        if (byte < (i == 1 ? low : 0x80) || byte > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

namespace {

// Where the run of ASCII bytes from at ends, eight bytes at a time.
std::size_t EndOfAscii(std::string_view text, std::size_t at) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (; text.size() - at >= sizeof(std::uint64_t); at += sizeof(std::uint64_t)) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, text.data() + at, sizeof eight);
        if ((eight & kHighBits) != 0) break;
    }
    while (at < text.size() && ByteAt(text, at) < 0x80) ++at;
    return at;
}

}  // namespace

bool IsWellFormedUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        // ASCII, nearly all of any name or manifest, passes without the decoder.
        at = EndOfAscii(text, at);
        if (at == text.size()) break;
        const std::size_t length = Utf8CharacterLength(text.substr(at));
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::size_t Utf8SequenceLength(std::string_view text) {
    const std::size_t length = AnnouncedLength(ByteAt(text, 0));
    if (length <= 1 || length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((ByteAt(text, i) & 0xC0) != 0x80) return 1;
    return length;
}

std::string EscapedEntryName(std::string_view name) {
    constexpr char kHex[] = "0123456789ABCDEF";
    const bool escapeHighBytes = !IsWellFormedUtf8(name);
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) {
            shown += "\\0";
        } else if (escapeHighBytes && byte >= 0x80) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

// Appended piece by piece: GCC 12 at -O3 takes `"\"" + std::string(...)`
// for an overlapping copy (-Wrestrict).
std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

}  // namespace vorlan
