// Deciding and converting OEM names with iconv.
#include "engines/EntryNaming.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>

namespace vorlan::engine {

namespace {

constexpr unsigned kHostMsDos = 0;
constexpr unsigned kHostOs2Hpfs = 6;
constexpr unsigned kHostNtfs = 11;
constexpr unsigned kNtfsOemWriterVersion = 50;
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));  // iconv_open's failure

constexpr std::array<std::string_view, 3> kCyrillicLanguages{"ru", "uk", "be"};
constexpr std::array<std::string_view, 27> kWesternEuropeanLanguages{
    "de", "fr", "es", "it", "pt", "nl", "da", "sv", "nb", "nn", "no", "fi", "is", "ca",
    "eu", "gl", "ga", "fo", "lb", "rm", "oc", "br", "co", "gd", "cy", "wa", "fy"};

std::string_view LocaleFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

bool HasOemNames(const RawEntry& first) {
    const unsigned host = first.versionMadeBy >> 8;
    const unsigned version = first.versionMadeBy & 0xFF;
    return host == kHostMsDos || host == kHostOs2Hpfs || (host == kHostNtfs && version == kNtfsOemWriterVersion);
}

// One converter per code page, opened on first use and kept for the life of
// the process: opening one per name would cost more than converting it.
class Converters {
public:
    ~Converters() {
        for (const auto& [codePage, converter] : converters_)
            if (converter != kNoConverter) iconv_close(converter);
    }
    iconv_t from(const std::string& codePage) {
        auto [position, inserted] = converters_.try_emplace(codePage, kNoConverter);
        if (inserted) position->second = iconv_open("UTF-8", codePage.c_str());
        return position->second;
    }

private:
    std::map<std::string, iconv_t> converters_;
};

iconv_t ConverterFrom(const std::string& codePage) {
    static Converters converters;
    return converters.from(codePage);
}

// Single-byte code pages convert byte by byte; a byte without a counterpart
// becomes "?", as in the component.
std::string OemToUtf8(const std::string& text, iconv_t converter) {
    if (converter == kNoConverter) return text;
    std::string out;
    std::array<char, 8> character{};
    for (const char byte : text) {
        char input = byte;
        char* in = &input;
        std::size_t inLeft = 1;
        char* outAt = character.data();
        std::size_t outLeft = character.size();
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        const bool converted = iconv(converter, &in, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1);
        out.append(converted ? std::string_view(character.data(), character.size() - outLeft) : "?");
    }
    return out;
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The length of the well-formed UTF-8 character at the front of text, or 0
// (Unicode 3.9, table 3-7).
std::size_t Utf8CharacterLength(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || text.size() < length) return 0;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

}  // namespace

bool IsWellFormedUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8CharacterLength(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}

bool IsJarEntryName(std::string_view name) {
    return name.find('\0') == std::string_view::npos && IsWellFormedUtf8(name);
}

std::string EscapedName(std::string_view name) {
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

std::string OemCodePageForLocale(std::string_view locale) {
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (std::find(kCyrillicLanguages.begin(), kCyrillicLanguages.end(), language) != kCyrillicLanguages.end())
        return "CP866";
    if (std::find(kWesternEuropeanLanguages.begin(), kWesternEuropeanLanguages.end(), language) !=
        kWesternEuropeanLanguages.end())
        return "CP850";
    return "CP437";
}

std::vector<std::string> NamesAsShown(const std::vector<RawEntry>& entries) {
    std::vector<std::string> names;
    names.reserve(entries.size());
    const bool oem = !entries.empty() && HasOemNames(entries.front());
    const iconv_t converter = oem ? ConverterFrom(OemCodePageForLocale(LocaleFromEnvironment())) : nullptr;
    for (const RawEntry& entry : entries) {
        const bool convert = oem && (entry.flags & kFlagUtf8Name) == 0 && !IsAscii(entry.name);
        names.push_back(convert ? OemToUtf8(entry.name, converter) : entry.name);
    }
    return names;
}

}  // namespace vorlan::engine
