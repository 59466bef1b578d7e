// OEM <-> UTF-8 with iconv, the converters opened once per code page.
#include "zip/CodePages.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "zip/TZip.h"

namespace vorlan {

namespace {

std::string& ChosenCodePage() {
    static std::string* codePage = new std::string;
    return *codePage;
}

std::string LocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

constexpr std::array kCyrillicLanguages{"ru", "uk", "be"};
constexpr std::array kWesternEuropeanLanguages{"de", "fr", "es", "it", "pt", "nl", "da", "sv", "nb",
                                               "nn", "no", "fi", "is", "ca", "eu", "gl", "ga", "fo",
                                               "lb", "rm", "oc", "br", "co", "gd", "cy", "wa", "fy"};

template <typename List>
bool Contains(const List& list, std::string_view language) {
    for (std::string_view item : list) {
        if (item == language) return true;
    }
    return false;
}

struct OpenConverter {
    iconv_t converter = iconv_t(-1);
    bool keepsAscii = false;  // every byte below 0x80 comes out as itself
};

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Whether the converter gives each of the 128 ASCII bytes back unchanged, as
// the OEM code pages and UTF-8 do: then a name in plain ASCII, as nearly every
// name in a JAR is, needs no conversion at all.
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
    return status != std::size_t(-1) && inputLeft == 0 && outputLeft == 0 && converted == ascii;
}

// One iconv descriptor per direction and code page, opened on first use;
// opening one per name would dominate the cost of listing an archive.
const OpenConverter& Converter(const std::string& to, const std::string& from) {
    static auto* converters = new std::map<std::pair<std::string, std::string>, OpenConverter>;
    auto [position, inserted] = converters->try_emplace({to, from});
    if (inserted) {
        position->second.converter = iconv_open(to.c_str(), from.c_str());
        if (position->second.converter != iconv_t(-1))
            position->second.keepsAscii = KeepsAscii(position->second.converter);
    }
    return position->second;
}

// How many input bytes make the character that could not be converted.
using SequenceLength = std::size_t (*)(const char* at, std::size_t left);

std::size_t SingleByte(const char*, std::size_t) {
    return 1;
}

// A whole UTF-8 character when it is well formed, else its first byte alone,
// so that one bad byte never swallows the characters after it.
std::size_t Utf8Character(const char* at, std::size_t left) {
    const auto lead = static_cast<unsigned char>(at[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length > left) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(at[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// Converts text; a character that cannot be converted (or is not valid in
// the source encoding) is skipped and a "?" written in its place.
std::string Convert(std::string_view text, const std::string& to, const std::string& from,
                    SequenceLength sequenceLength) {
    const OpenConverter& open = Converter(to, from);
    if (open.converter == iconv_t(-1) || text.empty() || (open.keepsAscii && IsAscii(text))) return std::string(text);
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
        if (status == std::size_t(-1) && errno != E2BIG) {
            const std::size_t skip = sequenceLength(input, inputLeft);
            input += skip;
            inputLeft -= skip;
            result += '?';
        }
    }
    return result;
}

}  // namespace

std::string OemCodePageForLocale(std::string_view locale) {
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (Contains(kCyrillicLanguages, language)) return "CP866";
    if (Contains(kWesternEuropeanLanguages, language)) return "CP850";
    return "CP437";
}

std::string OemCodePage() {
    std::string& chosen = ChosenCodePage();
    if (chosen.empty()) chosen = OemCodePageForLocale(LocaleFromEnvironment());
    return chosen;
}

void SetOemCodePage(const std::string& codePage) {
    ChosenCodePage() = codePage;
}

std::string OemToUtf8(std::string_view text) {
    return Convert(text, "UTF-8", OemCodePage(), SingleByte);
}

std::string Utf8ToOem(std::string_view text) {
    return Convert(text, OemCodePage(), "UTF-8", Utf8Character);
}

bool IsWellFormedUtf8(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
        const unsigned char lead = byte(0);
        std::size_t length = 1;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte (Unicode table 3-7)
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        else if (lead >= 0x80)
            return false;
        if (length > text.size() - at) return false;
        low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : low;
        high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : high;
        for (std::size_t i = 1; i < length; ++i) {
            if (byte(i) < (i == 1 ? low : 0x80) || byte(i) > (i == 1 ? high : 0xBF)) return false;
        }
        at += length;
    }
    return true;
}

std::string OemToAnsiName(const TZip& zip, const std::string& text) {
    return zip.OemNames && !text.empty() ? OemToUtf8(text) : text;
}

std::string AnsiToOemName(const TZip& zip, const std::string& text) {
    return zip.OemNames && !text.empty() ? Utf8ToOem(text) : text;
}

}  // namespace vorlan
