// SPDX-License-Identifier: MIT
// A regular file (an archive, or one disk of a spanned one) opened read-only
// on a POSIX descriptor and read with pread at explicit offsets. Only regular
// files are accepted, so a FIFO or device named as an archive can never block
// or feed endless data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlan {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens path read-only. A file that cannot be opened raises
    // std::system_error with the system's reason; a path that is not a
    // regular file raises ZipException "... is not a valid Zip file.".
    static ReadOnlyFile OpenForReading(const std::string& path, const std::string& shownName);

    std::int64_t Size() const { return size_; }

    // Up to count bytes from offset: fewer when the file ends first or a read
    // fails; none for a negative offset.
    std::string ReadAt(std::int64_t offset, std::size_t count) const;

    void Close();

private:
    int descriptor_ = -1;
    std::int64_t size_ = 0;
};

// The message of an archive that cannot be read as a zip file.
std::string NotAValidZipFile(const std::string& name);

}  // namespace vorlan
