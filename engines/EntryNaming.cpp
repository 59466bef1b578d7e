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

}  // namespace

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
