// SPDX-License-Identifier: MIT
// The directory reader under arbitrary bytes.
#include <fstream>
#include <system_error>

#include "tests/fuzz/FuzzChecks.h"
#include "tests/support/FakeVolumes.h"
#include "tests/support/ScriptedApplication.h"
#include "zip/TZip.h"

namespace vorlan::fuzz {

namespace {

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) Violation("cannot write " + path);
}

// What a listing must agree with: one record per entry the end record counts
// (on a single disk), fixed parts as stored, names shown with backslashes.
void CheckListing(const TZip& zip, std::size_t fileSize) {
    const TEOCHInfo& end = zip.EndOfDirectory;
    if (end.EndRecordPosition < 0 || static_cast<std::size_t>(end.EndRecordPosition) + 22 > fileSize)
        Violation("the end record lies outside the file");
    if (zip.EntryCount() > end.TotalEntries) Violation("more entries listed than the end record counts");
    if (end.ThisDisk == 0 && end.CentralDirDisk == 0 && zip.EntryCount() != end.TotalEntries)
        Violation("a single-disk archive listed with fewer entries than its end record counts");
    TFileInfo info;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        zip.GetEntry(i, info);
        if (info.FileName.find('/') != std::string::npos) Violation("a listed name holds \"/\"");
        if (info.ExtraField.size() != info.ExtraFieldLength) Violation("an extra field of the wrong length");
        if (info.Encrypted != ((info.Flags & 1u) != 0)) Violation("Encrypted disagrees with the flags");
        if (info.Signature != kCentralHeaderSignature) Violation("an entry without the header signature");
    }
}

// The label of a spanned archive's disk: "PKBACK# " and three digits.
std::string DiskLabel(int number) {
    std::string digits = std::to_string(number % 1000);
    digits.insert(0, 3 - digits.size(), '0');
    return "PKBACK# " + digits;
}

// Opens the file as the component does; the failures it may raise are the
// documented outcomes of a broken archive.
bool Open(TZip& zip, const std::string& path) {
    try {
        zip.SetZipFileName(path);
        return true;
    } catch (const ZipException&) {
    } catch (const std::system_error&) {
    }
    return false;
}

}  // namespace

int CheckDirectoryReader(const std::uint8_t* data, std::size_t size) {
    static ScriptedApplication application;
    SetApp(&application);
    application.messages.clear();
    const std::string path = FuzzWorkFolder() + "/archive.zip";
    WriteInput(path, data, size);

    // A fixed disk holds the file: no spanned-disk prompt is needed.
    test::FakeVolumes volumes;
    volumes.drives[FuzzWorkFolder()] = {DriveKind::Fixed, true, "FIXED"};
    TZip zip;
    zip.SetVolumeServices(&volumes);
    if (!Open(zip, path)) return 0;
    CheckListing(zip, size);

    // A spanned archive is read again as the last disk of its set, from a
    // floppy labelled with that disk's number.
    const std::uint16_t disk = zip.EndOfDirectory.ThisDisk;
    if (disk == 0) return 0;
    volumes.drives[FuzzWorkFolder()] = {DriveKind::Removable, true, DiskLabel(disk + 1)};
    TZip spanned;
    spanned.SetVolumeServices(&volumes);
    if (Open(spanned, path)) CheckListing(spanned, size);
    return 0;
}

}  // namespace vorlan::fuzz
