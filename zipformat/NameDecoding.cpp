// SPDX-License-Identifier: MIT
// The OEM decision, the code page of a locale and the iconv conversions.
#include "zipformat/NameDecoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "zipformat/FormatConstants.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

constexpr std::uint8_t kHostMsDos = 0;
constexpr std::uint8_t kHostOs2Hpfs = 6;
constexpr std::uint8_t kHostNtfs = 11;
constexpr std::uint8_t kNtfsOemWriterVersion = 50;

constexpr std::array<std::string_view, 3> kCyrillicLanguages{"ru", "uk", "be"};
constexpr std::array<std::string_view, 27> kWesternEuropeanLanguages{
    "de", "fr", "es", "it", "pt", "nl", "da", "sv", "nb", "nn", "no", "fi", "is", "ca",
    "eu", "gl", "ga", "fo", "lb", "rm", "oc", "br", "co", "gd", "cy", "wa", "fy"};

template <typename List>
bool Contains(const List& list, std::string_view language) {
    return std::find(list.begin(), list.end(), language) != list.end();
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));  // iconv_open's failure

struct OpenConverter {
    iconv_t converter = kNoConverter;
    bool keepsAscii = false;  // every byte below 0x80 comes out as itself
};

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether the converter gives each of the 128 ASCII bytes back unchanged, as
// the DOS code pages and UTF-8 do (EBCDIC does not): then a name in plain
// ASCII, as nearly every name in a JAR is, needs no conversion at all.
bool KeepsAscii(iconv_t converter) {
    std::array<char, 128> ascii{};
    for (std::size_t i = 0; i < ascii.size(); ++i) ascii[i] = static_cast<char>(i);
    std::array<char, 128> converted{};
    char* input = ascii.data();
    std::size_t inputLeft = ascii.size();
    char* output = converted.data();
    std::size_t outputLeft = converted.size();
    const std::size_t status = iconv(converter, &input, &inputLeft, &output, &outputLeft);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    return status != static_cast<std::size_t>(-1) && inputLeft == 0 && outputLeft == 0 && converted == ascii;
}

// One converter per direction and code page, opened on first use: opening one
// per name would cost more than converting it. A converter keeps state
// while it converts, so each thread has its own. They close when the thread
// (or an engine module holding them) goes.
class Converters {
public:
    ~Converters() {
        for (const auto& [direction, open] : converters_)
            if (open.converter != kNoConverter) iconv_close(open.converter);
    }
    const OpenConverter& Get(const std::string& to, const std::string& from) {
        auto [position, inserted] = converters_.try_emplace({to, from});
        if (inserted) {
            position->second.converter = iconv_open(to.c_str(), from.c_str());
            if (position->second.converter != kNoConverter)
                position->second.keepsAscii = KeepsAscii(position->second.converter);
        }
        return position->second;
    }

private:
    std::map<std::pair<std::string, std::string>, OpenConverter> converters_;
};

const OpenConverter& Converter(const std::string& to, const std::string& from) {
    thread_local Converters converters;
    return converters.Get(to, from);
}

// How many input bytes make the character that could not be converted.
using SequenceLength = std::size_t (*)(std::string_view rest);

std::size_t SingleByte(std::string_view) {
    return 1;
}

// Converts text; a character that cannot be converted (or is not valid in
// the source encoding) is skipped and a "?" written in its place.
std::string Convert(std::string_view text, const std::string& to, const std::string& from,
                    SequenceLength sequenceLength) {
    if (text.empty()) return {};  // most entries' comments: no converter to look up
    const OpenConverter& open = Converter(to, from);
    if (open.converter == kNoConverter || (open.keepsAscii && IsAscii(text))) return std::string(text);
    iconv_t converter = open.converter;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string result;
    std::array<char, 1024> buffer{};
    char* input = const_cast<char*>(text.data());
    std::size_t inputLeft = text.size();
    while (inputLeft > 0) {
        char* output = buffer.data();
        std::size_t outputLeft = buffer.size();
        const std::size_t status = iconv(converter, &input, &inputLeft, &output, &outputLeft);
        result.append(buffer.data(), buffer.size() - outputLeft);
        if (status == static_cast<std::size_t>(-1) && errno != E2BIG) {
            const std::size_t skip = sequenceLength(std::string_view(input, inputLeft));
            input += skip;
            inputLeft -= skip;
            result += '?';
        }
    }
    return result;
}

}  // namespace

bool HasOemNames(std::uint16_t firstVersionMadeBy) {
    const auto host = static_cast<std::uint8_t>(firstVersionMadeBy >> 8);
    const auto writerVersion = static_cast<std::uint8_t>(firstVersionMadeBy & 0xFF);
    return host == kHostMsDos || host == kHostOs2Hpfs || (host == kHostNtfs && writerVersion == kNtfsOemWriterVersion);
}

std::string OemCodePageForLocale(std::string_view locale) {
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (Contains(kCyrillicLanguages, language)) return "CP866";
    if (Contains(kWesternEuropeanLanguages, language)) return "CP850";
    return "CP437";
}

std::string LocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

std::string OemToUtf8(std::string_view text, const std::string& codePage) {
    return Convert(text, "UTF-8", codePage, SingleByte);
}

std::string Utf8ToOem(std::string_view text, const std::string& codePage) {
    return Convert(text, codePage, "UTF-8", Utf8SequenceLength);
}

std::string DecodeEntryText(std::string_view stored, bool oemArchive, std::uint16_t flags,
                            const std::string& codePage) {
    // Plain ASCII names skip iconv in Convert when the code page keeps ASCII.
    if (DecodesAsStored(oemArchive, flags)) return std::string(stored);
    return OemToUtf8(stored, codePage);
}

bool DecodesAsStored(bool oemArchive, std::uint16_t flags) {
    return !oemArchive || (flags & kFlagUtf8Name) != 0;
}

}  // namespace vorlan
