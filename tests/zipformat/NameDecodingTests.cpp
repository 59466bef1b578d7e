// SPDX-License-Identifier: MIT
// Name decoding as both archive readers share it: which archives hold OEM
// names, the DOS code page of a locale, the conversions, and UTF-8 read
// strictly (entry names) and leniently (cutting text).
#include <gtest/gtest.h>

#include "tests/support/TestTools.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/NameDecoding.h"
#include "zipformat/Utf8.h"

namespace vorlan::test {
namespace {

const std::string kCp866Name = "\x8F\xE0\xA8\xA2\xA5\xE2.txt";  // "Привет.txt"
const std::string kUtf8Name = "Привет.txt";

struct OemCase {
    std::uint8_t host, version;
    bool oem;
};

class OemDecisionTest : public ::testing::TestWithParam<OemCase> {};

TEST_P(OemDecisionTest, HostAndWriterVersionDecide) {
    const OemCase& c = GetParam();
    EXPECT_EQ(HasOemNames(static_cast<std::uint16_t>((c.host << 8) | c.version)), c.oem);
}

INSTANTIATE_TEST_SUITE_P(Hosts, OemDecisionTest,
                         ::testing::Values(OemCase{0, 20, true}, OemCase{6, 20, true}, OemCase{11, 50, true},
                                           OemCase{11, 45, false}, OemCase{11, 63, false}, OemCase{3, 50, false},
                                           OemCase{10, 50, false}, OemCase{1, 0, false}));

TEST(CodePages, LocaleChoosesTheDosCodePage) {
    EXPECT_EQ(OemCodePageForLocale("ru_RU.UTF-8"), "CP866");
    EXPECT_EQ(OemCodePageForLocale("uk_UA"), "CP866");
    EXPECT_EQ(OemCodePageForLocale("be_BY.UTF-8@latin"), "CP866");
    EXPECT_EQ(OemCodePageForLocale("de_DE.UTF-8"), "CP850");
    EXPECT_EQ(OemCodePageForLocale("fr"), "CP850");
    EXPECT_EQ(OemCodePageForLocale("fy_NL"), "CP850");
    EXPECT_EQ(OemCodePageForLocale("en_US.UTF-8"), "CP437");
    EXPECT_EQ(OemCodePageForLocale("rus"), "CP437");  // the language is the part before "_", "." or "@"
    EXPECT_EQ(OemCodePageForLocale("C"), "CP437");
}

TEST(CodePages, LocaleComesFromTheFirstVariableSet) {
    ScopedVariable all("LC_ALL", "ru_RU.UTF-8"), type("LC_CTYPE", "de_DE.UTF-8"), lang("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(LocaleFromEnvironment(), "ru_RU.UTF-8");
    {
        ScopedVariable emptyAll("LC_ALL", "");
        EXPECT_EQ(LocaleFromEnvironment(), "de_DE.UTF-8");
        ScopedVariable noType("LC_CTYPE", std::nullopt);
        EXPECT_EQ(LocaleFromEnvironment(), "fr_FR.UTF-8");
        ScopedVariable noLang("LANG", std::nullopt);
        EXPECT_EQ(LocaleFromEnvironment(), "C");
    }
}

TEST(CodePages, ConversionsMarkWhatCannotBeConverted) {
    EXPECT_EQ(OemToUtf8(kCp866Name, "CP866"), kUtf8Name);
    EXPECT_EQ(Utf8ToOem(kUtf8Name, "CP866"), kCp866Name);
    EXPECT_EQ(Utf8ToOem("a€b", "CP866"), "a?b");  // no euro sign in CP866
    // A byte that is no UTF-8 at all, and an overlong form taken whole.
    EXPECT_EQ(Utf8ToOem("a\xFF"
                        "b",
                        "CP866"),
              "a?b");
    EXPECT_EQ(Utf8ToOem("a\xE0\x80\x80"
                        "b",
                        "CP866"),
              "a?b");
    EXPECT_EQ(OemToUtf8(kCp866Name, "NO-SUCH-CODE-PAGE"), kCp866Name);
}

// Converted only on an OEM archive and only without the UTF-8 flag.
// Plain ASCII passes through the DOS code pages unchanged; a code page that
// does not keep ASCII (EBCDIC) still converts it, both ways, names included.
TEST(CodePages, AsciiNamesConvertAsTheCodePageSays) {
    EXPECT_EQ(OemToUtf8("META-INF/MANIFEST.MF", "CP437"), "META-INF/MANIFEST.MF");
    EXPECT_EQ(Utf8ToOem("a.class", "CP437"), "a.class");
    EXPECT_EQ(OemToUtf8("\xC1\xC2", "CP037"), "AB");
    EXPECT_EQ(Utf8ToOem("AB", "CP037"), "\xC1\xC2");
    EXPECT_EQ(DecodeEntryText("\xC1\xC2", true, 0, "CP037"), "AB");
    EXPECT_NE(DecodeEntryText("AB", true, 0, "CP037"), "AB");
}

TEST(CodePages, EntryTextIsConvertedOnlyWhereTheArchiveSaysOem) {
    EXPECT_EQ(DecodeEntryText(kCp866Name, true, 0, "CP866"), kUtf8Name);
    EXPECT_EQ(DecodeEntryText(kCp866Name, false, 0, "CP866"), kCp866Name);
    EXPECT_EQ(DecodeEntryText(kUtf8Name, true, kFlagUtf8Name, "CP866"), kUtf8Name);
    EXPECT_EQ(DecodeEntryText("META-INF/MANIFEST.MF", true, 0, "CP866"), "META-INF/MANIFEST.MF");
    EXPECT_EQ(DecodeEntryText("\x84.txt", true, 0, "CP437"), "ä.txt");
}

// Length of the front character read strictly (0: none) and leniently.
struct Utf8Case {
    const char* text;
    std::size_t strict, lenient;
};

void PrintTo(const Utf8Case& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text));
}

class Utf8LengthTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8LengthTest, StrictRefusesWhatLenientStepsOver) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(Utf8CharacterLength(c.text), c.strict);
    EXPECT_EQ(Utf8SequenceLength(c.text), c.lenient);
    EXPECT_EQ(IsWellFormedUtf8(c.text), c.strict == std::string_view(c.text).size());
}

INSTANTIATE_TEST_SUITE_P(Characters, Utf8LengthTest,
                         ::testing::Values(Utf8Case{"a", 1, 1}, Utf8Case{"\xC3\xA9", 2, 2},
                                           Utf8Case{"\xE2\x96\x91", 3, 3}, Utf8Case{"\xED\x9F\xBF", 3, 3},
                                           Utf8Case{"\xF0\x90\x80\x80", 4, 4}, Utf8Case{"\xF4\x8F\xBF\xBF", 4, 4},
                                           Utf8Case{"\xE0\x9F\xBF", 0, 3},      // overlong
                                           Utf8Case{"\xED\xA0\x80", 0, 3},      // surrogate
                                           Utf8Case{"\xF0\x8F\xBF\xBF", 0, 4},  // overlong
                                           Utf8Case{"\xF4\x90\x80\x80", 0, 4},  // past U+10FFFF
                                           Utf8Case{"\xC0\xAF", 0, 1}, Utf8Case{"\xF5\x80\x80\x80", 0, 1},
                                           Utf8Case{"\x80", 0, 1}, Utf8Case{"\x8E", 0, 1}, Utf8Case{"\xE2\x96", 0, 1},
                                           Utf8Case{"\xE2\x41\x91", 0, 1}));

TEST(Utf8, WholeTextsAreWellFormedOnlyThroughout) {
    // Long ASCII runs are passed eight bytes at a time: a fault just past
    // one, or a character across the eighth byte, is still seen.
    for (const char* good : {"", "a/B.class", "d\xC3\xA9j\xC3\xA0", "\xE2\x96\x91x\xF4\x8F\xBF\xBF",
                             "com/game/a\xC3\xA9"
                             "b/Main.class",
                             "abcdefg\xC3\xA9"})
        EXPECT_TRUE(IsWellFormedUtf8(good)) << good;
    for (const char* bad : {"caf\xE9", "ok\xC3", "\xC3\xA9\xED\xA0\x80", "a\x80z", "0123456789abcdef\xE9",
                            "abcdefg\xC3", "MIDlet-Name: Game\r\nMIDlet-Vendor: \xFF\r\n"})
        EXPECT_FALSE(IsWellFormedUtf8(bad)) << bad;
}

}  // namespace
}  // namespace vorlan::test
