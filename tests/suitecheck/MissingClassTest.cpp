// SPDX-License-Identifier: MIT
// Suites compiled at test time whose classes use a vendor API, a Java SE
// class, an optional package, or nothing the phone lacks: --check names
// the missing classes and the API archives that provide them, and --api
// auto adds just those archives, so that the J2ME toolkit's classes check
// then passes.
#include <gtest/gtest.h>

#include "suitecheck/ClassReferences.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/SuiteCorpus.h"

namespace vorlan::test {
namespace {

std::string MidletSource(const std::string& package, const std::string& members, const std::string& startApp) {
    return "package " + package + ";\npublic class Main extends javax.microedition.midlet.MIDlet {\n" + members +
           "\n    protected void startApp() { " + startApp +
           " }\n    protected void pauseApp() {}\n    protected void destroyApp(boolean unconditional) {}\n}\n";
}

// Every class of the tests, compiled once: the vendor API's stubs, a stub of
// an optional package to compile against (never in a JAR), and the games.
const Files& Classes() {
    static const Files classes = CompileCldcClasses({
        {"com/acme/mid/ui/FullCanvas.java",
         "package com.acme.mid.ui;\n"
         "public abstract class FullCanvas extends javax.microedition.lcdui.Canvas {\n"
         "    protected FullCanvas() {}\n}\n"},
        {"com/acme/mid/sound/Beep.java",
         "package com.acme.mid.sound;\npublic class Beep {\n    public static void play(int hertz) {}\n}\n"},
        {"javax/microedition/location/LocationProvider.java",
         "package javax.microedition.location;\npublic abstract class LocationProvider {\n"
         "    public static LocationProvider getInstance(Object criteria) { return null; }\n}\n"},
        // Main's static initialiser makes a Screen, whose superclass is the
        // vendor's: the suite cannot start without it. Beep is only called.
        {"vendor/Main.java", MidletSource("vendor", "    static final Screen SCREEN = new Screen();",
                                          "com.acme.mid.sound.Beep.play(440);")},
        {"vendor/Screen.java",
         "package vendor;\npublic class Screen extends com.acme.mid.ui.FullCanvas {\n"
         "    protected void paint(javax.microedition.lcdui.Graphics g) {}\n}\n"},
        // Iterator only in a method's descriptor.
        {"j2se/Main.java", MidletSource("j2se", "    java.util.Iterator items() { return null; }",
                                        "new java.util.ArrayList().add(\"x\");")},
        {"jsr/Main.java", MidletSource("jsr", "", "javax.microedition.location.LocationProvider.getInstance(null);")},
        {"clean/Main.java", MidletSource("clean", "    javax.microedition.lcdui.Displayable current;",
                                         "current = null; new java.util.Vector().addElement(\"x\");")},
    });
    return classes;
}

Files ClassesUnder(const std::string& folder) {
    Files chosen;
    for (const auto& [name, bytes] : Classes())
        if (name.rfind(folder, 0) == 0) chosen[name] = bytes;
    return chosen;
}

// The API archives the tables put into the catalogue.
void WriteApi(const std::string& name, const fs::path& folder) {
    if (name == "other.zip") return PackWith("zip", {{"org/other/Thing.class", "thing"}}, folder / name);
    Files files = ClassesUnder("com/acme/");
    files["acme/" + name + ".txt"] = name;  // tells which archive a JAR got
    PackWith(name == "acme-full.jar" ? "jar" : "zip", files, folder / name);
}

struct SuiteCase {
    std::string name;
    std::string game;               // its classes' package
    std::vector<std::string> apis;  // the catalogue
    std::vector<std::string> options;
    std::vector<std::string> expected;  // --check: the MISSING_CLASS lines; --api auto: the standard error
    int status = 0;
};

void PrintTo(const SuiteCase& row, std::ostream* out) {
    *out << row.name;
}

class MissingClassTest : public ::testing::TestWithParam<SuiteCase> {
protected:
    void SetUp() override {
        VORLAN_J2ME_CHECK_SCRIPT_OR_SKIP(script_);
        fs::create_directories(work_ / "API");
        for (const std::string& api : GetParam().apis) WriteApi(api, work_ / "API");
        const std::string& game = GetParam().game;
        Files files = ClassesUnder(game + "/");
        files["META-INF/MANIFEST.MF"] = "Manifest-Version: 1.0\nMIDlet-Name: " + game +
                                        "\nMIDlet-Vendor: Corpus Games\nMIDlet-Version: 1.0\n" + "MIDlet-1: " + game +
                                        ", , " + game + ".Main\nMicroEdition-Configuration: CLDC-1.1\n" +
                                        "MicroEdition-Profile: MIDP-2.0\n";
        PackWith("zip", files, jar_);
    }

    ChildResult Run(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{VorlanBatchProgram(), "--api-dir", "API"};
        argv.insert(argv.end(), GetParam().options.begin(), GetParam().options.end());
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ChildOptions options;
        options.workDir = work_.path();
        options.environment["XDG_DATA_HOME"] = (work_ / "data").string();
        return RunChild(argv, options);
    }

    // The toolkit's verdict on the suite's classes.
    std::string ClassesCheck(const fs::path& suite) {
        const CommandResult result = RunCommand({script_, suite.string()});
        const std::string verdict = ToolkitVerdict(result.output, "classes");
        return verdict.empty() ? "no classes check in: " + result.output : verdict;
    }

    std::string script_;
    TempDir work_;
    fs::path jar_ = work_ / (GetParam().game + ".jar");
};

using CheckTest = MissingClassTest;

TEST_P(CheckTest, NamesTheMissingClassesAndWhatProvidesThem) {
    const ChildResult result = Run({"--check", GetParam().game + ".jar"});
    std::vector<std::string> missing;
    for (const std::string& line : OutputLines(result.output))
        if (line.find(": MISSING_CLASS: ") != std::string::npos) missing.push_back(line);
    EXPECT_EQ(missing, GetParam().expected) << result.output << result.errors;
    EXPECT_EQ(result.status, GetParam().status) << result.output;
}

const std::string kFullCanvas =
    "vendor.jar: MISSING_CLASS: com/acme/mid/ui/FullCanvas (named by vendor/Screen): not a class of CLDC, MIDP or "
    "an optional package; the suite cannot start without it";
const std::string kBeep =
    "vendor.jar: MISSING_CLASS: warning: com/acme/mid/sound/Beep (named by vendor/Main): not a class of CLDC, MIDP "
    "or an optional package";

INSTANTIATE_TEST_SUITE_P(
    Table, CheckTest,
    ::testing::Values(
        SuiteCase{"VendorApiNoArchiveProvides", "vendor", {"other.zip"}, {}, {kBeep, kFullCanvas}, 1},
        SuiteCase{"VendorApiOneArchive",
                  "vendor",
                  {"acme.zip", "other.zip"},
                  {},
                  {kBeep + "; provided by acme.zip", kFullCanvas + "; provided by acme.zip"},
                  1},
        SuiteCase{
            "VendorApiTwoArchives",
            "vendor",
            {"acme.zip", "acme-full.jar"},
            {},
            {kBeep + "; provided by acme-full.jar, acme.zip", kFullCanvas + "; provided by acme-full.jar, acme.zip"},
            1},
        SuiteCase{"JavaSeClasses",
                  "j2se",
                  {},
                  {},
                  {"j2se.jar: MISSING_CLASS: warning: java/util/ArrayList (named by j2se/Main): not in CLDC 1.1: a "
                   "Java SE class",
                   "j2se.jar: MISSING_CLASS: warning: java/util/Iterator (named by j2se/Main): not in CLDC 1.1: a "
                   "Java SE class"},
                  0},
        SuiteCase{"OptionalPackageThePhoneLacks",
                  "jsr",
                  {},
                  {},
                  {"jsr.jar: MISSING_CLASS: warning: javax/microedition/location/LocationProvider (named by "
                   "jsr/Main): in JSR 179 (location), which the phone lacks (see --platform)"},
                  0},
        SuiteCase{"OptionalPackageThePhoneHas", "jsr", {}, {"--platform", "jsr75,jsr179"}, {}, 0},
        SuiteCase{"NothingMissing", "clean", {"acme.zip"}, {}, {}, 0}),
    [](const ::testing::TestParamInfo<SuiteCase>& param) { return param.param.name; });

using AutoTest = MissingClassTest;

// What --api auto gives the JAR: the first archive in catalogue order that
// provides what it lacks, and nothing when it lacks nothing or no archive
// provides it (then the JAR stays byte for byte as it was). Every suite
// written passes the toolkit; one whose classes check failed for lack of
// the vendor's classes passes it now.
TEST_P(AutoTest, AddsTheArchivesThatProvideWhatTheJarLacks) {
    const std::string added = GetParam().expected.size() > 1 ? GetParam().expected[1] : "";
    const std::string before = ReadFile(jar_);
    const std::string classesBefore = added.empty() ? "" : ClassesCheck(jar_);
    const ChildResult result = Run({"--api", "auto", GetParam().game + ".jar"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, GetParam().expected.empty() ? "" : GetParam().expected.front());
    const fs::path jad = work_ / (GetParam().game + ".jad");
    ASSERT_TRUE(fs::exists(jad));
    if (added.empty()) {
        EXPECT_EQ(ReadFile(jar_), before);
        return;
    }
    EXPECT_EQ(ArchiveEntry(jar_, "acme/" + added + ".txt"), added);
    EXPECT_EQ(RunCommand({"unzip", "-l", jar_.string(), "org/*"}).status, 11);  // no such entry
    EXPECT_EQ(classesBefore.rfind("FAIL classes", 0), 0u) << classesBefore;
    const CommandResult toolkit = RunCommand({script_, jad.string()});
    EXPECT_EQ(toolkit.status, 0) << toolkit.output;
    EXPECT_NE(toolkit.output.find("PASS classes\n"), std::string::npos) << toolkit.output;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AutoTest,
    ::testing::Values(
        SuiteCase{"NoArchiveProvides",
                  "vendor",
                  {"other.zip"},
                  {},
                  {"vorlan-batch: warning: vendor.jar: no API archive provides com/acme/mid/sound/Beep and 1 more\n"}},
        SuiteCase{
            "OneArchiveProvides",
            "vendor",
            {"other.zip", "acme.zip"},
            {},
            {"vorlan-batch: warning: vendor.jar: added acme.zip for com/acme/mid/sound/Beep and 1 more\n", "acme.zip"}},
        SuiteCase{"TwoArchivesProvide",
                  "vendor",
                  {"acme.zip", "acme-full.jar"},
                  {},
                  {"vorlan-batch: warning: vendor.jar: added acme-full.jar for com/acme/mid/sound/Beep and 1 more\n",
                   "acme-full.jar"}},
        SuiteCase{"NothingLacking", "clean", {"acme.zip"}, {}, {}}),
    [](const ::testing::TestParamInfo<SuiteCase>& param) { return param.param.name; });

// A field reference whose class is itself: followed, it never ends.
TEST(ClassReferencesTest, AReferenceThatPointsAtItselfNamesNoClass) {
    const char raw[] =
        "\xCA\xFE\xBA\xBE\x00\x00\x00\x2D"  // magic, version 45.0
        "\x00\x02\x09\x00\x01\x00\x01"      // one constant: Fieldref #1.#1
        "\x00\x21\x00\x01\x00\x00"          // flags, this_class #1, no superclass
        "\x00\x00\x00\x00\x00\x00";         // no interfaces, fields, methods
    const std::string bytes(raw, sizeof raw - 1);
    EXPECT_FALSE(ReadClassReferences(bytes));
}

}  // namespace
}  // namespace vorlan::test
