// SPDX-License-Identifier: MIT
// A JAR's entry names: repeats told in directory order, lookups by exact name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "suitecheck/EntryNames.h"

namespace vorlan {
namespace {

// The first of equal names is the entry, the later ones its repeats,
// wherever the sort puts them; lookups are exact (case and prefixes count).
TEST(EntryNames, MarksLaterRepeatsAndFindsExactNames) {
    const EntryNames names({"b.class", "META-INF/MANIFEST.MF", "a.class", "b.class", "a.class", "b.class", "b"});
    std::vector<bool> repeated;
    for (std::size_t i = 0; i < names.Count(); ++i) repeated.push_back(names.Repeated(i));
    EXPECT_EQ(repeated, (std::vector<bool>{false, false, false, true, true, true, false}));
    EXPECT_EQ(names[3], "b.class");
    EXPECT_TRUE(names.Has("META-INF/MANIFEST.MF"));
    EXPECT_TRUE(names.Has("b"));
    EXPECT_FALSE(names.Has("meta-inf/manifest.mf"));
    EXPECT_FALSE(names.Has("a.clas"));
    EXPECT_FALSE(names.Has(""));
    EXPECT_EQ(names.Sorted(), (std::vector<std::string_view>{"META-INF/MANIFEST.MF", "a.class", "b", "b.class"}));
    EXPECT_FALSE(EntryNames().Has("a.class"));
}

}  // namespace
}  // namespace vorlan
