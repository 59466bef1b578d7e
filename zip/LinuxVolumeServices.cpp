// SPDX-License-Identifier: MIT
// Drive kinds and volume labels on Linux. A path's drive is the mount that
// holds it; a removable drive is one whose block device (or the disk of a
// partition) sysfs marks removable. Labels of removable disks are probed with
// libblkid; fixed disks are never probed (the label comes from udev's
// /dev/disk/by-label links), so the query is cheap and never fails only
// because a normal user cannot open the device.
#include "zip/LinuxVolumeServices.h"

#include <blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "platform/FolderListing.h"
#include "zip/MountTable.h"

namespace vorlan {

namespace fs = std::filesystem;

namespace {

constexpr std::array kRemoteFileSystems{"nfs",   "nfs4",       "cifs",        "smb3",           "smbfs",
                                        "ncpfs", "afs",        "9p",          "ceph",           "glusterfs",
                                        "davfs", "fuse.sshfs", "fuse.davfs2", "fuse.glusterfs", "fuse.rclone"};

bool IsRemote(const MountEntry& mount) {
    for (std::string_view type : kRemoteFileSystems) {
        if (mount.fileSystemType == type) return true;
    }
    return false;
}

std::string WithoutTrailingSlash(std::string root) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The sysfs folder of the mount's block device; none for file systems that
// live on no block device (tmpfs, overlay, proc) or when sysfs does not know it.
std::optional<fs::path> BlockDeviceFolder(const MountEntry& mount) {
    dev_t device = makedev(mount.major, mount.minor);
    struct stat info {};
    // btrfs and others report an anonymous device number; the source names the real one.
    if (mount.major == 0 && mount.source.rfind("/dev/", 0) == 0 && stat(mount.source.c_str(), &info) == 0 &&
        S_ISBLK(info.st_mode)) {
        device = info.st_rdev;
    }
    const fs::path link = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::error_code failure;
    fs::path folder = fs::canonical(link, failure);
    if (failure) return std::nullopt;
    return folder;
}

// A partition's removable and size attributes are its disk's.
fs::path DiskFolder(const fs::path& device) {
    std::error_code failure;
    return fs::exists(device / "partition", failure) ? device.parent_path() : device;
}

bool IsRemovableDevice(const fs::path& device) {
    return FirstLine(DiskFolder(device) / "removable") == "1";
}

bool HasMedium(const fs::path& device) {
    const std::string sectors = FirstLine(DiskFolder(device) / "size");
    return !sectors.empty() && sectors != "0";
}

std::string DeviceNode(const fs::path& device) {
    std::ifstream in(device / "uevent");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("DEVNAME=", 0) == 0) return "/dev/" + line.substr(8);
    }
    return "/dev/" + device.filename().string();
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// udev writes unsafe characters of a label as \xNN in the link's name.
std::string UnescapeUdevName(const std::string& name) {
    std::string label;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && IsHexDigit(name[i + 2]) &&
            IsHexDigit(name[i + 3])) {
            label += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            label += name[i];
        }
    }
    return label;
}

std::string LabelFromUdevLinks(const std::string& node) {
    std::error_code failure;
    const fs::path target = fs::canonical(node, failure);
    if (failure) return std::string();
    const fs::path labels = "/dev/disk/by-label";
    std::vector<ListedItem> links;
    static_cast<void>(ListFolder(labels.string(), links));  // no such folder: no labels known to udev
    for (const ListedItem& link : links) {
        std::error_code unresolved;
        if (fs::canonical(labels / link.name, unresolved) == target && !unresolved) return UnescapeUdevName(link.name);
    }
    return std::string();
}

enum class ProbeOutcome { Label, NoMedium, Unreadable };

ProbeOutcome ProbeLabel(const std::string& node, std::string& label) {
    blkid_probe probe = blkid_new_probe_from_filename(node.c_str());
    if (probe == nullptr) return errno == ENOMEDIUM ? ProbeOutcome::NoMedium : ProbeOutcome::Unreadable;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 &&
        value != nullptr) {
        label = value;
    }
    blkid_free_probe(probe);
    return ProbeOutcome::Label;
}

bool RemovableLabel(const fs::path& device, std::string& label) {
    if (!HasMedium(device)) return false;
    const std::string node = DeviceNode(device);
    switch (ProbeLabel(node, label)) {
        case ProbeOutcome::Label:
            return true;
        case ProbeOutcome::NoMedium:
            return false;
        case ProbeOutcome::Unreadable:
            break;
    }
    label = LabelFromUdevLinks(node);
    return true;
}

struct MountFacts {
    DriveKind kind = DriveKind::Fixed;
    std::optional<fs::path> device;  // the block device's folder in sysfs
    std::string fixedLabel;          // a fixed disk's label, from udev's links
};

MountFacts LearnFacts(const MountEntry& mount) {
    MountFacts facts;
    if (IsRemote(mount)) {
        facts.kind = DriveKind::Remote;
        return facts;
    }
    facts.device = BlockDeviceFolder(mount);
    if (facts.device && IsRemovableDevice(*facts.device)) {
        facts.kind = DriveKind::Removable;
    } else if (facts.device) {
        facts.fixedLabel = LabelFromUdevLinks(DeviceNode(*facts.device));
    }
    return facts;
}

// What is known of each mount, learnt once per reading of the mount table:
// the archives of a batch mostly lie on one drive, and whether its device is
// removable, or a fixed disk's label, does not change while it stays mounted.
// The disk in a removable drive can change at any time and is probed afresh.
const MountFacts& FactsOf(const MountEntry& mount) {
    static auto* known = new std::map<std::string, MountFacts>;  // lives until the process ends
    static std::uint64_t knownGeneration = 0;
    if (knownGeneration != MountTableGeneration()) {
        known->clear();
        knownGeneration = MountTableGeneration();
    }
    auto found = known->find(mount.mountPoint);
    if (found == known->end()) found = known->emplace(mount.mountPoint, LearnFacts(mount)).first;
    return found->second;
}

// The folders' resolved forms, by the folder as named: a batch opens its
// archives in a few folders, and resolving each archive's path anew reads
// every link on the way. A folder whose identity (that of what its name now
// leads to) changed is resolved again.
struct ResolvedFolder {
    dev_t device = 0;
    ino_t inode = 0;
    std::string resolved;
};

constexpr std::size_t kResolvedFoldersKept = 64;

// The path with every link resolved, as far as it exists, in normal form.
// A plain file's path is worked on as text: the archive's folder, resolved
// once, and its name; std::filesystem's parsing of every component cost more
// than the rest of opening an archive's directory.
std::string ResolvedPath(const std::string& absolute) {
    static auto* known = new std::map<std::string, ResolvedFolder>;  // lives until the process ends
    std::error_code failure;
    struct stat self {};
    const bool plainFile = ::lstat(absolute.c_str(), &self) == 0 && !S_ISLNK(self.st_mode) && !S_ISDIR(self.st_mode);
    const std::size_t slash = absolute.rfind('/');
    const std::string parent = slash == 0 ? std::string("/") : absolute.substr(0, slash);
    struct stat folder {};
    if (!plainFile || slash == std::string::npos || ::stat(parent.c_str(), &folder) != 0) {
        const fs::path resolved = fs::weakly_canonical(absolute, failure);
        return (failure ? fs::path(absolute) : resolved).lexically_normal().string();
    }
    if (known->size() > kResolvedFoldersKept) known->clear();
    ResolvedFolder& entry = (*known)[parent];
    if (entry.resolved.empty() || entry.device != folder.st_dev || entry.inode != folder.st_ino) {
        const fs::path resolved = fs::canonical(parent, failure);
        if (failure) return fs::path(absolute).lexically_normal().string();
        entry = ResolvedFolder{folder.st_dev, folder.st_ino, resolved.string()};
    }
    // A resolved folder has no trailing slash but the root, and a plain
    // file's name is neither "." nor "..": the joined path is normal.
    // Built by appending: GCC 12 at -O3 takes "/" + std::string(...) for an
    // overlapping copy (a false -Wrestrict).
    std::string joined = entry.resolved;
    if (joined != "/") joined += '/';
    joined.append(absolute, slash + 1);
    return joined;
}

}  // namespace

std::string LinuxVolumeServices::DrivePart(const std::string& path) {
    if (path.empty()) return std::string();
    std::string absolute = path;
    if (absolute.front() != '/') {
        std::error_code failure;
        absolute = fs::absolute(path, failure).string();
        if (failure) return std::string();
    }
    const std::string resolved = ResolvedPath(absolute);
    const std::vector<MountEntry>& mounts = CurrentMounts();
    const MountEntry* mount = FindMountHolding(mounts, resolved);
    return mount != nullptr ? mount->mountPoint : std::string();
}

DriveKind LinuxVolumeServices::KindOf(const std::string& root) {
    if (root.empty()) return DriveKind::NoRootDir;
    const std::vector<MountEntry>& mounts = CurrentMounts();
    const MountEntry* mount = FindMountAt(mounts, WithoutTrailingSlash(root));
    return mount != nullptr ? FactsOf(*mount).kind : DriveKind::NoRootDir;
}

bool LinuxVolumeServices::Label(const std::string& root, std::string& label) {
    label.clear();
    const std::vector<MountEntry>& mounts = CurrentMounts();
    const MountEntry* mount = root.empty() ? nullptr : FindMountAt(mounts, WithoutTrailingSlash(root));
    if (mount == nullptr) return false;
    const MountFacts& facts = FactsOf(*mount);
    if (facts.kind == DriveKind::Removable) return RemovableLabel(*facts.device, label);
    label = facts.fixedLabel;  // empty for remote drives, tmpfs, overlay and the like
    return true;
}

VolumeServices& SystemVolumeServices() {
    static LinuxVolumeServices* services = new LinuxVolumeServices;
    return *services;
}

}  // namespace vorlan
