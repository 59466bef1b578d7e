// SPDX-License-Identifier: MIT
// The Linux volume layer: the mount table parser, the mount holding a path,
// and the system services on this machine's own folders.
#include "tests/zip/ZipTestSupport.h"
#include "zip/LinuxVolumeServices.h"
#include "zip/MountTable.h"
#include "zip/SpannedDisks.h"

namespace vorlan::test {
namespace {

const char kMountInfo[] =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "25 22 8:17 / /media/usb\\040stick rw,nosuid shared:5 master:2 - vfat /dev/sdb1 rw,uid=1000\n"
    "26 22 0:44 / /mnt/share rw - nfs4 server:/export rw\n"
    "27 22 0:45 / /media/usb\\040stick rw - tmpfs tmpfs rw\n"
    "garbage line\n"
    "28 22 0:46 / /mnt/a rw - tmpfs tmpfs rw\n"
    "29 22 x:46 / /mnt/bad rw - tmpfs tmpfs rw\n";

TEST(MountTable, ParsesFieldsEscapesAndOptionalTags) {
    const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 5u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].source, "/dev/sda2");
    EXPECT_EQ(mounts[1].mountPoint, "/media/usb stick");
    EXPECT_EQ(mounts[1].major, 8u);
    EXPECT_EQ(mounts[1].minor, 17u);
    EXPECT_EQ(mounts[1].fileSystemType, "vfat");
    EXPECT_EQ(mounts[2].fileSystemType, "nfs4");
    EXPECT_EQ(mounts[2].source, "server:/export");
}

TEST(MountTable, PathBelongsToTheDeepestAndLatestMount) {
    const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
    EXPECT_EQ(FindMountHolding(mounts, "/home/user/a.jar")->mountPoint, "/");
    EXPECT_EQ(FindMountHolding(mounts, "/media/usb stick/GAME.JAR")->fileSystemType, "tmpfs");  // mounted over
    EXPECT_EQ(FindMountHolding(mounts, "/mnt/a/x.jar")->mountPoint, "/mnt/a");
    EXPECT_EQ(FindMountHolding(mounts, "/mnt/ab/x.jar")->mountPoint, "/");  // not below /mnt/a
    EXPECT_EQ(FindMountHolding(mounts, "/mnt/share")->mountPoint, "/mnt/share");
    EXPECT_EQ(FindMountHolding(mounts, "relative"), nullptr);
    EXPECT_EQ(FindMountAt(mounts, "/mnt"), nullptr);
    EXPECT_EQ(FindMountAt(mounts, "/mnt/share")->fileSystemType, "nfs4");
}

using SystemVolumeTest = ZipTest;

TEST_F(SystemVolumeTest, FileAndItsFolderLieOnTheSameAnsweringDrive) {
    LinuxVolumeServices volumes;
    WriteFile(dir / "a.jar", "x");
    const std::string drive = volumes.DrivePart((dir / "a.jar").string());
    ASSERT_FALSE(drive.empty());
    EXPECT_EQ(fs::canonical(dir.path()).string().rfind(drive == "/" ? "/" : drive + "/", 0), 0u);
    EXPECT_EQ(volumes.DrivePart(dir.str()), drive);
    EXPECT_EQ(volumes.DrivePart((dir / "not yet" / "b.jar").string()), drive);
    fs::current_path(dir.path());
    EXPECT_EQ(volumes.DrivePart("a.jar"), drive);

    std::string label;
    EXPECT_TRUE(GetVolumeLabel(volumes, drive, label));  // a fixed disk or tmpfs always answers
    EXPECT_NE(GetDriveKind(volumes, (dir / "a.jar").string()), DriveKind::NoRootDir);
    EXPECT_EQ(GetSpanDiskNumber(volumes, (dir / "a.jar").string()), 0);
}

// Links are followed to the drive they lead to, each time anew: a folder
// link turned to another drive between two archives is seen turned.
TEST_F(SystemVolumeTest, LinksLeadToTheDriveTheyNowPointAt) {
    LinuxVolumeServices volumes;
    WriteFile(dir / "real/version", "x");
    const std::string drive = volumes.DrivePart((dir / "real/version").string());
    ASSERT_NE(drive, "/proc");
    fs::create_directory_symlink(dir / "real", dir / "through");
    EXPECT_EQ(volumes.DrivePart((dir / "through/version").string()), drive);
    fs::remove(dir / "through");
    fs::create_directory_symlink("/proc", dir / "through");
    EXPECT_EQ(volumes.DrivePart((dir / "through/version").string()), "/proc");
    fs::create_symlink("/proc/version", dir / "real/linked.jar");
    EXPECT_EQ(volumes.DrivePart((dir / "real/linked.jar").string()), "/proc");
}

TEST_F(SystemVolumeTest, FolderThatIsNoMountDoesNotAnswer) {
    LinuxVolumeServices volumes;
    std::string label = "stale";
    EXPECT_FALSE(volumes.Label((dir / "no mount here").string(), label));
    EXPECT_EQ(label, "");
    EXPECT_FALSE(volumes.Label("", label));
    EXPECT_EQ(volumes.KindOf((dir / "no mount here").string()), DriveKind::NoRootDir);
    EXPECT_EQ(volumes.KindOf(""), DriveKind::NoRootDir);
    EXPECT_EQ(volumes.DrivePart(""), "");
}

TEST_F(SystemVolumeTest, ProcIsALocalDriveWithoutLabel) {
    LinuxVolumeServices volumes;
    std::string label = "stale";
    EXPECT_TRUE(volumes.Label("/proc/", label));
    EXPECT_EQ(label, "");
    EXPECT_EQ(volumes.KindOf("/proc"), DriveKind::Fixed);
}

}  // namespace
}  // namespace vorlan::test
