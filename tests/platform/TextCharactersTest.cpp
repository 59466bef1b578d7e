// SPDX-License-Identifier: MIT
// Cutting UTF-8 text by characters and turning Windows line ends into LF.
#include <gtest/gtest.h>

#include "platform/TextCharacters.h"

namespace vorlan {
namespace {

TEST(TextCharacters, CutsWholeCharactersOnly) {
    EXPECT_EQ(FirstCharacters("Список", 3), "Спи");
    EXPECT_EQ(FirstCharacters("a€b", 2), "a€");
    EXPECT_EQ(FirstCharacters("short", 10), "short");
    EXPECT_EQ(FirstCharacters("", 3), "");
    // Stray bytes of another code page count one each.
    EXPECT_EQ(FirstCharacters("\xC8\xE3\xF0", 2), "\xC8\xE3");
    EXPECT_EQ(FirstCharacters("\xD0", 1), "\xD0");
}

TEST(TextCharacters, LineEndsBecomeLineFeeds) {
    EXPECT_EQ(WithLineFeeds("a\rb\r\nc\n\rd"), "a\nb\nc\n\nd");
    EXPECT_EQ(WithLineFeeds("\r"), "\n");
}

}  // namespace
}  // namespace vorlan
