// SPDX-License-Identifier: MIT
// The platform's class table: which classes a phone of a configuration,
// profile and set of optional packages has, the table's superclasses, and
// the --platform names.
#include <gtest/gtest.h>

#include <stdexcept>

#include "suitecheck/PlatformClasses.h"

namespace vorlan {
namespace {

struct Membership {
    const char* className;
    const char* configuration;
    const char* profile;
    const char* platform;  // as --platform takes it
    bool has;
};

void PrintTo(const Membership& row, std::ostream* out) {
    *out << row.className << " on " << row.configuration << "/" << row.profile << " + " << row.platform;
}

class PlatformMembershipTest : public ::testing::TestWithParam<Membership> {};

TEST_P(PlatformMembershipTest, AClassIsThereWhenOneOfItsSetsIs) {
    const Membership& row = GetParam();
    const Platform platform(row.configuration, row.profile, ParseOptionalPackages(row.platform));
    EXPECT_EQ(platform.Has(row.className), row.has);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlatformMembershipTest,
    ::testing::Values(Membership{"java/lang/Object", "CLDC-1.0", "MIDP-1.0", "none", true},
                      Membership{"java/lang/Float", "CLDC-1.0", "MIDP-2.0", "none", false},
                      Membership{"java/lang/Float", "CLDC-1.1", "MIDP-2.0", "none", true},
                      Membership{"java/lang/ref/WeakReference", "", "", "none", true},  // nothing declared: 1.1
                      Membership{"java/util/ArrayList", "CLDC-1.1", "MIDP-2.0", "jsr75,jsr82", false},
                      Membership{"javax/microedition/lcdui/game/Sprite", "CLDC-1.1", "MIDP-1.0", "none", false},
                      Membership{"javax/microedition/lcdui/game/Sprite", "CLDC-1.0", "MIDP-2.0 MIDP-1.0", "", true},
                      Membership{"javax/microedition/lcdui/game/Sprite", "CLDC-1.1", "MIDP-2.1", "", true},
                      Membership{"javax/microedition/media/Manager", "CLDC-1.0", "MIDP-1.0", "none", false},
                      Membership{"javax/microedition/media/Manager", "CLDC-1.0", "MIDP-1.0", "jsr135", true},
                      Membership{"javax/microedition/media/control/VideoControl", "CLDC-1.1", "MIDP-2.0", "", false},
                      Membership{"javax/wireless/messaging/MultipartMessage", "CLDC-1.1", "MIDP-2.0", "jsr120", false},
                      Membership{"javax/wireless/messaging/MultipartMessage", "CLDC-1.1", "MIDP-2.0", "jsr205", true},
                      Membership{"javax/wireless/messaging/TextMessage", "CLDC-1.1", "MIDP-2.0", "JSR-205", true},
                      Membership{"javax/microedition/location/Location", "CLDC-1.1", "MIDP-2.0", "jsr179", true},
                      Membership{"javax/microedition/m3g/World", "CLDC-1.1", "MIDP-2.0", "jsr 184", true},
                      Membership{"javax/microedition/m3g/World", "CLDC-1.1", "MIDP-2.0", "jsr179", false},
                      Membership{"javax/bluetooth/UUID", "CLDC-1.1", "MIDP-2.0", "jsr82", true},
                      Membership{"java/rmi/Remote", "CLDC-1.1", "MIDP-2.0", "jsr172", true},
                      Membership{"com/nokia/mid/ui/FullCanvas", "CLDC-1.1", "MIDP-2.0",
                                 "jsr75,jsr82,jsr120,jsr135,"
                                 "jsr172,jsr177,jsr179,jsr184,"
                                 "jsr226,jsr234,jsr256",
                                 false}));

// A phone that has a class has its superclass: checked for every class in
// the smallest phone of each set that holds it, so that a misspelt or
// misplaced superclass in the table shows.
TEST(PlatformClassTableTest, EverySuperclassIsThereWhereItsClassIs) {
    const std::vector<std::string> names = PlatformClassNames();
    ASSERT_GT(names.size(), 400u);
    for (const std::string& name : names) {
        const PlatformClass* found = FindPlatformClass(name);
        ASSERT_NE(found, nullptr) << name;
        if (name == "java/lang/Object") {
            EXPECT_TRUE(found->superclass.empty());
            continue;
        }
        for (unsigned set = 0; set < static_cast<unsigned>(ApiSet::Count); ++set) {
            if ((found->sets & (ApiSets{1} << set)) == 0) continue;
            const auto kind = static_cast<ApiSet>(set);
            const bool optional = kind > ApiSet::Midp20;
            const Platform smallest(kind == ApiSet::Cldc10 ? "CLDC-1.0" : "CLDC-1.1",
                                    kind == ApiSet::Midp20 || optional ? "MIDP-2.0" : "MIDP-1.0",
                                    optional ? ApiSets{1} << set : 0);
            EXPECT_TRUE(smallest.Has(name)) << name;
            EXPECT_TRUE(smallest.Has(found->superclass)) << name << " extends " << found->superclass;
        }
    }
}

TEST(PlatformClassTableTest, PlatformListsTakeTheirUsualSpellingsAndRefuseOthers) {
    EXPECT_EQ(ParseOptionalPackages("none"), 0u);
    EXPECT_EQ(ParseOptionalPackages(""), 0u);
    EXPECT_EQ(ParseOptionalPackages("JSR-75, jsr 82,jsr120 ,JSR135,jsr_184"), DefaultOptionalPackages());
    EXPECT_EQ(ParseOptionalPackages("jsr205"), Bit(ApiSet::Jsr120) | Bit(ApiSet::Jsr205));
    EXPECT_THROW(ParseOptionalPackages("jsr75,jsr999"), std::invalid_argument);
    EXPECT_THROW(ParseOptionalPackages("midp2"), std::invalid_argument);
    EXPECT_THROW(ParseOptionalPackages("none,jsr75"), std::invalid_argument);
}

TEST(PlatformClassTableTest, AMissingClassSaysWhereItBelongs) {
    const Platform midp1("CLDC-1.0", "MIDP-1.0", 0);
    EXPECT_EQ(midp1.WhyMissing("java/util/ArrayList"), "not in CLDC 1.0: a Java SE class");
    EXPECT_EQ(midp1.WhyMissing("java/lang/Float"),
              "in CLDC 1.1, newer than the suite's MicroEdition-Configuration or -Profile");
    EXPECT_EQ(midp1.WhyMissing("javax/microedition/media/Player"),
              "in MIDP 2.0 or JSR 135 (multimedia), which the phone lacks (see --platform)");
    EXPECT_EQ(midp1.WhyMissing("com/siemens/mp/game/Light"), "not a class of CLDC, MIDP or an optional package");
}

}  // namespace
}  // namespace vorlan
