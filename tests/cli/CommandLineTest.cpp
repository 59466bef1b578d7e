// SPDX-License-Identifier: MIT
// Reading vorlan-batch's options.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"

namespace vorlan::test {
namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineTest, DefaultsAndFiles) {
    const CommandLine line = ParseCommandLine({"a.jar", "b.jad"});
    EXPECT_EQ(line.mode, 0);
    EXPECT_EQ(line.fixVersion, "9.9.9");
    EXPECT_FALSE(line.apiFolder);
    EXPECT_FALSE(line.fixTemplate);
    EXPECT_FALSE(line.listApis);
    EXPECT_FALSE(line.check);
    EXPECT_FALSE(line.repair);
    EXPECT_FALSE(line.strict);
    EXPECT_EQ(line.manifestCharset, "");
    EXPECT_EQ(line.profile, "MIDP-2.0");
    EXPECT_EQ(line.files, (Arguments{"a.jar", "b.jad"}));
}

TEST(CommandLineTest, EveryOptionInBothSpellings) {
    const CommandLine line = ParseCommandLine({"--mode", "1", "--api=x.zip", "--api", "y.jar", "--api-dir", "/A",
                                               "--fix-version=", "--fix-template", "t.jar", "--list-apis", "--check",
                                               "--platform", "JSR-75,jsr179", "--strict",
                                               "--manifest-charset=windows-1251", "--profile", "MIDP-2.1", "f"});
    EXPECT_EQ(line.mode, 1);
    EXPECT_EQ(line.apis, (Arguments{"x.zip", "y.jar"}));
    EXPECT_EQ(*line.apiFolder, "/A");
    EXPECT_EQ(line.fixVersion, "");  // an empty version is a version
    EXPECT_EQ(*line.fixTemplate, "t.jar");
    EXPECT_TRUE(line.listApis);
    EXPECT_TRUE(line.check);
    EXPECT_EQ(*line.platform, "JSR-75,jsr179");
    EXPECT_TRUE(line.strict);
    EXPECT_EQ(line.manifestCharset, "windows-1251");
    EXPECT_EQ(line.profile, "MIDP-2.1");
    EXPECT_EQ(line.files, Arguments{"f"});
    EXPECT_TRUE(ParseCommandLine({"--repair", "a.jar"}).repair);
}

TEST(CommandLineTest, DoubleDashEndsOptionsAndADashAloneIsAFile) {
    const CommandLine line = ParseCommandLine({"--", "--mode", "-"});
    EXPECT_EQ(line.files, (Arguments{"--mode", "-"}));
    EXPECT_EQ(ParseCommandLine({"-"}).files, Arguments{"-"});
    EXPECT_EQ(ParseCommandLine({"--fix-version", "--mode"}).fixVersion, "--mode");  // a value is taken as it is
}

TEST(CommandLineTest, HelpAndVersion) {
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"x", "-h"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    EXPECT_FALSE(ParseCommandLine({"--help"}).version);
}

TEST(CommandLineTest, UsageErrors) {
    for (const Arguments& wrong :
         {Arguments{"--mode", "2"}, Arguments{"--mode=01"}, Arguments{"--mode"}, Arguments{"--api"},
          Arguments{"--verbose"}, Arguments{"-x", "a.jar"}, Arguments{"--help=yes"}, Arguments{"--platform=jsr76"},
          Arguments{"--manifest-charset", "no-such-code-page"}, Arguments{"--profile=MIDP-3.0"},
          Arguments{"--repair", "--mode", "1", "a.jad"}})
        EXPECT_THROW(ParseCommandLine(wrong), UsageError) << wrong.front();
}

}  // namespace
}  // namespace vorlan::test
