// SPDX-License-Identifier: MIT
// OpenArchive and ReadDirectory: making a path the component's archive,
// creating an empty archive where none exists, and reading its directory.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "filecommit/FileCommitError.h"
#include "filecommit/FileDescriptor.h"
#include "filecommit/PendingFile.h"
#include "filecommit/PendingNames.h"
#include "zip/DirectoryReader.h"
#include "zip/ExistingPaths.h"
#include "zip/SpannedDisks.h"
#include "zip/TZip.h"
#include "zip/VolumeServices.h"

namespace vorlan {

namespace {

// The operations change the current directory; the archive must still be
// found after that, so it is remembered with the folder it was opened from.
std::string AbsolutePath(const std::string& name) {
    if (name.empty() || name.front() == '/') return name;
    std::error_code failure;
    const std::filesystem::path absolute = std::filesystem::absolute(name, failure);
    return failure ? name : absolute.string();
}

// The 22 bytes of an end record as it stands: signature, counts, sizes, no comment.
std::string EncodeEndRecord(const TEOCHInfo& end) {
    std::string bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    put(end.Signature, 4);
    put(end.ThisDisk, 2);
    put(end.CentralDirDisk, 2);
    put(end.EntriesThisDisk, 2);
    put(end.TotalEntries, 2);
    put(static_cast<std::uint32_t>(end.CentralDirSize), 4);
    put(static_cast<std::uint32_t>(end.CentralDirOffset), 4);
    put(0, 2);
    return bytes;
}

// Straight into a new file, for file systems without hard links (FAT floppies).
// O_EXCL: an existing file or a link of that name is never written through.
bool WriteNewFileDirectly(const std::string& path, const std::string& bytes) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    const bool written = WriteAll(descriptor, bytes) == 0;
    if (close(descriptor) == 0 && written) return true;
    unlink(path.c_str());
    return false;
}

// The new file is written complete with no name beside it, then linked to
// its name, which never replaces anything: the name never shows a
// half-written file, even after a crash or on a full disk.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
    try {
        PendingFile file = PendingFile::Beside(path);
        file.Write(bytes);
        file.PublishAs(NameOf(path));
        return true;
    } catch (const FileCommitError& failure) {
        const int error = failure.ErrorNumber();
        if (failure.Step() == CommitStep::Name &&
            (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS))
            return WriteNewFileDirectly(path, bytes);
        return false;
    }
}

}  // namespace

void TZip::OpenArchive(const std::string& name) {
    Password.clear();
    OemNames = false;
    EndOfDirectory = TEOCHInfo{};
    entries_.clear();
    zipFileName_ = name;
    archivePath_ = AbsolutePath(name);

    if (!name.empty()) {
        std::string label;
        if (!GetVolumeLabel(Volumes(), Volumes().DrivePart(archivePath_), label)) {
            throw ZipException("Unable to access the selected drive!");
        }
        if (!IsExistingFile(archivePath_) && !WriteNewFile(archivePath_, EncodeEndRecord(EndOfDirectory))) {
            throw ZipException("Unable to create \n\"" + name + "\"");
        }
        ReadDirectory();
    }
    if (OnContentsChanged) OnContentsChanged(*this);
}

void TZip::ReadDirectory() {
    entries_.clear();
    if (zipFileName_.empty()) return;
    DirectoryReader(*this).Read();
}

}  // namespace vorlan
