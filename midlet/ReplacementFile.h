// Replacing a user's file safely: the new content goes into a temporary file
// beside it, which is renamed over the old file only once it is complete, so a
// crash or a full disk never leaves a half-written JAR or descriptor.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

class ReplacementFile {
public:
    // Creates the temporary file in the folder of finalPath. Throws when
    // finalPath is a read-only file or a folder, or the folder is not writable.
    explicit ReplacementFile(std::string finalPath);
    // Removes the temporary file unless it was committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& TemporaryPath() const { return temporaryPath_; }
    const std::string& FinalPath() const { return finalPath_; }

    void Write(std::string_view bytes);
    void CopyFrom(const std::string& sourcePath);
    // Closes the temporary file, so that others may work on it by its path.
    void FinishWriting();
    // Renames the temporary file over the final path.
    void Commit();

private:
    std::string finalPath_;
    std::string temporaryPath_;
    int fd_ = -1;
    bool committed_ = false;
};

// Writes bytes to path through a ReplacementFile.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace vorlan
