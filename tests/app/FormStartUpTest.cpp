// SPDX-License-Identifier: MIT
// Start-up: the process-wide state, the API catalogue, the mode selector and
// the about box.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "VorlanVersion.h"
#include "app/OpenDialog.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"
#include "tests/app/QtTestEnvironment.h"

namespace vorlan {
namespace {

using test::Scripted;
using test::TestForm;

// The archives as the batch reads them, below "(auto)"; nothing checked.
std::vector<std::string> Catalogue(TForm1& form) {
    EXPECT_EQ(form.APIs->count(), form.ApiCount() + 1);
    EXPECT_EQ(form.APIs->item(0)->text(), "(auto)");
    std::vector<std::string> names;
    for (int i = 0; i < form.APIs->count(); ++i) EXPECT_EQ(form.APIs->item(i)->checkState(), Qt::Unchecked);
    for (int i = 0; i < form.ApiCount(); ++i) names.push_back(form.ApiAt(i));
    return names;
}

TEST(FormStartUp, SetsTheProcessWideState) {
    TestForm test;
    EXPECT_EQ(ApiFolder, test.folder.str() + "/API/");
    EXPECT_EQ(FixTemplatePath, test.folder.str() + "/fix.jar");
    ASSERT_FALSE(ScratchRoot.empty());
    EXPECT_EQ(ScratchRoot.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(ScratchRoot));
    ASSERT_NE(ManifestBuffer, nullptr);
    EXPECT_EQ(ManifestBuffer->Count(), 0u);
    EXPECT_TRUE(test.form->acceptDrops());
}

TEST(FormStartUp, CatalogueListsRarThenJarThenZip) {
    TestForm test({"beta.zip", "alpha.jar", "gamma.rar", "notes.txt"});
    EXPECT_EQ(Catalogue(*test.form), (std::vector<std::string>{"gamma.rar", "alpha.jar", "beta.zip"}));
}

TEST(FormStartUp, CatalogueTakesFoldersAndHiddenFilesByName) {
    TestForm test({"x.zip/", ".hidden.jar", "Upper.JAR"});
    std::vector<std::string> names = Catalogue(*test.form);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.jar", "Upper.JAR", "x.zip"}));
    EXPECT_EQ(test.form->ApiAt(0).find('/'), std::string::npos);
}

TEST(FormStartUp, UsersApiArchivesFollowThePrograms) {
    const test::TempDir dataHome;
    const test::ScopedVariable variable("XDG_DATA_HOME", dataHome.str());
    test::WriteFile(dataHome / "vorlan/API/mine.zip", "");
    TestForm test({"own.jar"});
    EXPECT_EQ(UserApiFolder, dataHome.str() + "/vorlan/API/");
    EXPECT_EQ(Catalogue(*test.form), (std::vector<std::string>{"own.jar", "mine.zip"}));
}

TEST(FormStartUp, NoApiFolderGivesAnEmptyCatalogue) {
    TestForm test;
    EXPECT_EQ(test.form->APIs->count(), 0);
    EXPECT_TRUE(Scripted().messages.empty());  // start-up shows nothing
}

// Also when Qt is told to use a platform that needs a display (a profile
// that sets QT_QPA_PLATFORM, a session without its display server).
TEST(FormStartUp, WithoutADisplayTheProgramSaysSoInOneLine) {
    for (const std::vector<std::string>& chosen : {std::vector<std::string>{"-u", "QT_QPA_PLATFORM"},
                                                   {"QT_QPA_PLATFORM=xcb"},
                                                   {"QT_QPA_PLATFORM=wayland;xcb"},
                                                   {"QT_QPA_PLATFORM=offscreen", "-platform", "xcb"}}) {
        std::vector<std::string> command{"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
        const auto platformArgument = std::find(chosen.begin(), chosen.end(), "-platform");
        command.insert(command.end(), chosen.begin(), platformArgument);
        command.push_back(std::string(VORLAN_BIN_DIR) + "/vorlan");
        command.insert(command.end(), platformArgument, chosen.end());
        const test::CommandResult result = test::RunCommand(command);
        SCOPED_TRACE(chosen.back());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << result.errors;
        EXPECT_NE(result.errors.find("no display"), std::string::npos) << result.errors;
        EXPECT_NE(result.errors.find("vorlan-batch"), std::string::npos) << result.errors;
    }
}

TEST(FormStartUp, ModeSelectorSwitchesFilterAndVersionBox) {
    TestForm test;
    TForm1& form = *test.form;
    EXPECT_EQ(form.Mode(), BatchMode::GenerateJad);
    EXPECT_TRUE(form.edFixVer->isHidden());
    EXPECT_TRUE(form.Label2->isHidden());
    EXPECT_EQ(form.OpenDialog1.Filter, "Java archive (*.jar)|*.jar");
    EXPECT_EQ(form.OpenDialog1.FilterIndex, 1);

    form.OpenDialog1.FilterIndex = 2;
    form.ComboBox1->setCurrentIndex(1);
    EXPECT_FALSE(form.edFixVer->isHidden());
    EXPECT_FALSE(form.Label2->isHidden());
    EXPECT_EQ(form.OpenDialog1.Filter, "Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar");
    EXPECT_EQ(form.OpenDialog1.FilterIndex, 1);

    form.edFixVer->setText("1.2.3");  // a typed version survives a trip through mode 0
    form.ComboBox1->setCurrentIndex(0);
    EXPECT_TRUE(form.edFixVer->isHidden());
    form.ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(form.FixVersion(), "1.2.3");
}

TEST(FormStartUp, AboutBoxLinesAreSeparatedByCrAlone) {
    TestForm test;
    test.form->SpeedButton2Click();
    ASSERT_EQ(Scripted().messages.size(), 1u);
    const ScriptedApplication::Shown& about = Scripted().messages[0];
    EXPECT_EQ(about.caption, "About...");
    EXPECT_EQ(about.style, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(about.text.find('\n'), std::string::npos);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t cr = about.text.find('\r');; cr = about.text.find('\r', start)) {
        lines.push_back(about.text.substr(start, cr == std::string::npos ? cr : cr - start));
        if (cr == std::string::npos) break;
        start = cr + 1;
    }
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[0].rfind("Vorlan v." + std::string(kVersion) + ". ", 0), 0u);
    EXPECT_EQ(lines[4],
              "You can manually add your API, simply adding archive with API to "
              "\"%INSTALLDIR%\\API\" directory.");
    EXPECT_EQ(lines[8], "As a fix this program uses br.BookReader");
    EXPECT_EQ(lines[9], "");
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(lines[13].rfind("U can contact me: ", 0), 0u);
    EXPECT_EQ(lines[14], "");  // then the keys, one line each
    EXPECT_EQ(lines[15], "Keys:");
}

TEST(OpenDialogFilters, WindowsFilterTextBecomesQtNameFilters) {
    EXPECT_EQ(QtNameFilters("Java archive (*.jar)|*.jar"), QStringList{"Java archive (*.jar)"});
    EXPECT_EQ(QtNameFilters("Java archive or descriptor (*.jad; *.jar)|*.jad; *.jar"),
              QStringList{"Java archive or descriptor (*.jad *.jar)"});
    EXPECT_EQ(QtNameFilters("Suites|*.jar;*.jad|All files|*"), (QStringList{"Suites (*.jar *.jad)", "All files (*)"}));
    EXPECT_TRUE(QtNameFilters("").isEmpty());
}

// What the open dialog's name box names: every typed name, in the order
// typed, whether or not the file exists.
TEST(OpenDialogNames, TypedTextGivesEveryNameInTypedOrder) {
    struct Typed {
        const char* text;
        QStringList paths;
    };
    const QString home = QDir::homePath();
    const Typed cases[] = {
        {"Snake.jar", {"/games/Snake.jar"}},
        {"  Missing.jar ", {"/games/Missing.jar"}},
        {R"("Snake.jar" "NotZip.jar" "Missing.jar")", {"/games/Snake.jar", "/games/NotZip.jar", "/games/Missing.jar"}},
        {R"("b.jar" "a.jar" "b.jar")", {"/games/b.jar", "/games/a.jar", "/games/b.jar"}},
        {R"("/other/x.jad" "../up.jar" "with space.jar")", {"/other/x.jad", "/up.jar", "/games/with space.jar"}},
        {"~/Snake.jar", {home + "/Snake.jar"}},
        {R"("" "only.jar")", {"/games/only.jar"}},
        {"", {}},
        {"   ", {}},
    };
    for (const Typed& typed : cases) {
        SCOPED_TRACE(typed.text);
        EXPECT_EQ(TypedFileNames(typed.text, "/games"), typed.paths);
    }
}

}  // namespace
}  // namespace vorlan
