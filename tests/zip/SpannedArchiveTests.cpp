// SPDX-License-Identifier: MIT
// Spanned archives on the fake volume layer: disk numbers from labels, the
// disk prompts, and a directory read across two floppies.
#include <deque>
#include <functional>

#include "tests/support/FakeVolumes.h"
#include "tests/support/ZipWriter.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/SpannedDisks.h"

namespace vorlan::test {
namespace {

// The person at the floppy drive: before pressing OK on a box, they insert
// the next disk of their pile (when there is one left).
class DiskSwappingApplication : public ScriptedApplication {
public:
    struct Disk {
        std::string label, content;
    };
    std::function<void(const Disk&)> insert;
    std::deque<Disk> pile;

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override {
        const int answer = ScriptedApplication::MessageBox(text, caption, style);
        if (answer == IDOK && !pile.empty()) {
            insert(pile.front());
            pile.pop_front();
        }
        return answer;
    }
};

class SpannedTest : public ZipTest {
protected:
    SpannedTest() {
        user.SetTitle("Vorlan");
        SetApp(&user);
        user.insert = [this](const DiskSwappingApplication::Disk& disk) {
            if (!disk.content.empty()) WriteFile(archive, disk.content);
            Label(disk.label);
        };
        floppy = (dir / "floppy").string();
        fs::create_directory(floppy);
        archive = floppy + "/BACKUP.ZIP";
        volumes.drives[floppy] = {DriveKind::Removable, true, "PKBACK# 003"};
        volumes.drives[(dir / "hard").string()] = {DriveKind::Fixed, true, "PKBACK# 003"};
        fs::create_directory(dir / "hard");
        WriteFile(archive, "disk");
        WriteFile(dir / "hard" / "BACKUP.ZIP", "disk");
        zip.SetVolumeServices(&volumes);
    }

    void Label(const std::string& label) { volumes.drives[floppy].label = label; }

    DiskSwappingApplication user;
    FakeVolumes volumes;
    std::string floppy;
    std::string archive;
    TZip zip;  // on the fake volumes
};

std::string InsertDiskPrompt(int disk) {
    return "Insert [ Disk " + std::to_string(disk) +
           " ] of the Zip file into the floppy drive\nbefore pressing [ OK ] to continue ...";
}

TEST_F(SpannedTest, DiskNumberComesFromARemovableDisksLabel) {
    EXPECT_EQ(GetSpanDiskNumber(volumes, archive), 3);
    EXPECT_EQ(GetSpanDiskNumber(volumes, (dir / "hard" / "BACKUP.ZIP").string()), 0);  // fixed disk
    EXPECT_EQ(GetSpanDiskNumber(volumes, floppy + "/OTHER.ZIP"), 0);                   // file not on it
    const std::pair<const char*, int> labels[] = {{"PKBACK# 12", 12}, {"PKBACK# 001", 1},  {"PKBACK# abc", 0},
                                                  {"PKBACK#003", 0},  {"pkback# 003", 0},  {"PKBACK# ", 0},
                                                  {"PKBACK# 1x", 0},  {"XPKBACK# 003", 0}, {"PKBACK# 0045", 4}};
    for (const auto& [label, number] : labels) {
        Label(label);
        EXPECT_EQ(GetSpanDiskNumber(volumes, archive), number) << label;
    }
    volumes.drives[floppy].hasMedium = false;
    EXPECT_EQ(GetSpanDiskNumber(volumes, archive), 0);
}

TEST_F(SpannedTest, DriveKindAndLabelQueries) {
    EXPECT_EQ(GetDriveKind(volumes, ""), DriveKind::NoRootDir);
    EXPECT_EQ(GetDriveKind(volumes, archive), DriveKind::Removable);
    std::string label = "stale";
    Label("A VERY LONG VOLUME LABEL");
    EXPECT_TRUE(GetVolumeLabel(volumes, floppy, label));
    EXPECT_EQ(label, "A VERY LONG");
    volumes.drives[floppy].hasMedium = false;
    EXPECT_FALSE(GetVolumeLabel(volumes, floppy, label));
    EXPECT_EQ(label, "");
    EXPECT_FALSE(GetVolumeLabel(volumes, "", label));
}

TEST_F(SpannedTest, PromptForDiskAsksOnlyWhileTheWrongDiskIsIn) {
    EXPECT_TRUE(PromptForDisk(volumes, archive, 3));
    EXPECT_TRUE(user.messages.empty());
    EXPECT_TRUE(PromptForDisk(volumes, (dir / "hard" / "BACKUP.ZIP").string(), 0));  // no spanned disk: n = 0 holds
    EXPECT_TRUE(user.messages.empty());

    user.pile = {{"PKBACK# 005", ""}, {"PKBACK# 004", ""}};  // the wrong disk first
    EXPECT_TRUE(PromptForDisk(volumes, archive, 4));
    ASSERT_EQ(user.messages.size(), 2u);
    EXPECT_EQ(user.messages[0].text, InsertDiskPrompt(4));
    EXPECT_EQ(user.messages[0].style, MB_OKCANCEL | MB_ICONINFORMATION);
    EXPECT_EQ(user.messages[0].caption, "Vorlan");

    user.messageAnswers = {IDOK, IDCANCEL};
    EXPECT_FALSE(PromptForDisk(volumes, archive, 7));
    EXPECT_EQ(user.messages.size(), 4u);
}

TEST_F(SpannedTest, PromptAnsweredOkForeverGivesUp) {
    // A caller that answers every box with its default button (OK here).
    EXPECT_FALSE(PromptForDisk(volumes, archive, 9));
    EXPECT_EQ(user.messages.size(), static_cast<std::size_t>(kMaximumDiskPrompts));
}

TEST_F(SpannedTest, DriveWithoutDiskCannotBeOpened) {
    volumes.drives[floppy].hasMedium = false;
    try {
        zip.SetZipFileName(archive);
        ADD_FAILURE() << "opened on an empty drive";
    } catch (const ZipException& error) {
        EXPECT_STREQ(error.what(), "Unable to access the selected drive!");
    }
    EXPECT_EQ(zip.ZipFileName(), archive);
}

// A two-disk archive: disk 1 holds the data and the first directory record,
// disk 2 the second record and the end record.
struct TwoDisks {
    std::string first, last;
};

TwoDisks SplitOverTwoDisks() {
    ZipLayout layout;
    const std::string whole =
        ZipArchive{"", {StoredEntry("a.txt", "alpha"), StoredEntry("b.txt", "beta")}}.bytes(&layout);
    const std::size_t split = layout.centralHeaderOffsets[1];
    TwoDisks disks;
    disks.first = whole.substr(0, split);
    disks.last = whole.substr(split, layout.endRecordOffset - split) +
                 EndRecordBytes({.thisDisk = 1,
                                 .entriesThisDisk = 1,
                                 .totalEntries = 2,
                                 .centralDirSize = static_cast<std::uint32_t>(layout.centralDirSize),
                                 .centralDirOffset = static_cast<std::uint32_t>(layout.centralDirOffset)});
    return disks;
}

TEST_F(SpannedTest, DirectoryIsFollowedFromTheFirstDiskToTheLast) {
    const TwoDisks disks = SplitOverTwoDisks();
    WriteFile(archive, disks.last);
    Label("PKBACK# 002");
    user.pile = {{"PKBACK# 001", disks.first}, {"PKBACK# 002", disks.last}};
    zip.SetZipFileName(archive);
    ASSERT_EQ(user.messages.size(), 2u);
    EXPECT_EQ(user.messages[0].text, InsertDiskPrompt(1));
    EXPECT_EQ(user.messages[1].text, InsertDiskPrompt(2));
    ASSERT_EQ(zip.EntryCount(), 2);
    TFileInfo info;
    zip.GetEntry(1, info);
    EXPECT_EQ(info.FileName, "b.txt");
    EXPECT_EQ(zip.EndOfDirectory.ThisDisk, 1);

    zip.FileSpecs() = {"a.txt"};
    EXPECT_EQ(zip.Extract(), 0);  // listed, never extracted
    EXPECT_EQ(user.messages.back().text.rfind("Cannot Add, Delete or Extract", 0), 0u);
}

TEST_F(SpannedTest, RefusedDiskChangeInsideTheDirectoryIsAReadError) {
    const TwoDisks disks = SplitOverTwoDisks();
    WriteFile(archive, disks.last);
    Label("PKBACK# 002");
    user.pile = {{"PKBACK# 001", disks.first}};
    user.messageAnswers = {IDOK, IDCANCEL};
    EXPECT_THROW(zip.SetZipFileName(archive), ZipException);
    EXPECT_EQ(zip.EntryCount(), 0);
}

TEST_F(SpannedTest, CancelledStartDiskPromptLeavesAnEmptyList) {
    WriteFile(archive, SplitOverTwoDisks().last);
    Label("PKBACK# 002");
    user.messageAnswers = {IDCANCEL};
    int changes = 0;
    zip.OnContentsChanged = [&changes](TZip&) { ++changes; };
    zip.SetZipFileName(archive);
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(changes, 1);
}

TEST_F(SpannedTest, FirstDiskInTheDriveAsksForTheLast) {
    const TwoDisks disks = SplitOverTwoDisks();
    WriteFile(archive, disks.first);
    Label("PKBACK# 001");
    user.messageAnswers = {IDCANCEL};
    zip.SetZipFileName(archive);
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text,
              "This is [ Disk 1 ] of a multiple disk Zip file.\nInsert the last disk "
              "of the Zip file before pressing [ OK ] to continue ...");
    EXPECT_EQ(user.messages[0].style, 0x41u);
    EXPECT_EQ(zip.EntryCount(), 0);

    // OK after the last disk went in: the search starts again and finds it.
    user.messages.clear();
    user.messageAnswers = {IDOK, IDOK, IDOK};
    user.pile = {{"PKBACK# 002", disks.last}, {"PKBACK# 001", disks.first}, {"PKBACK# 002", disks.last}};
    zip.SetZipFileName(archive);
    EXPECT_EQ(zip.EntryCount(), 2);
}

TEST_F(SpannedTest, DiskWithoutEndRecordOnAFixedDriveIsNotAZipFile) {
    const std::string path = (dir / "hard" / "BACKUP.ZIP").string();
    try {
        zip.SetZipFileName(path);
        ADD_FAILURE() << "opened";
    } catch (const ZipException& error) {
        EXPECT_EQ(std::string(error.what()), "\"" + path + "\"\nis not a valid Zip file.");
    }
    EXPECT_TRUE(user.messages.empty());
}

}  // namespace
}  // namespace vorlan::test
