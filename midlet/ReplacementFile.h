// Replacing a user's file safely: the new content goes into a file beside it
// that has no name while it is written (O_TMPFILE; a hidden temporary name
// where the file system has no unnamed files), and it takes the old file's
// name only once it is complete. A crash, a kill or a full disk never leaves a
// half-written JAR or descriptor, nor a half-written file beside one.
#pragma once

#include <string>
#include <string_view>

namespace vorlan {

class ReplacementFile {
public:
    // Creates the new file in the folder of finalPath. Throws when finalPath
    // is a read-only file or a folder, or the folder is not writable.
    explicit ReplacementFile(std::string finalPath);
    // Removes the new file unless it was committed.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // A temporary name beside the final path, given to the file when it is
    // asked for: others may then work on the file by its path.
    const std::string& TemporaryPath();
    const std::string& FinalPath() const { return finalPath_; }

    void Write(std::string_view bytes);
    void CopyFrom(const std::string& sourcePath);
    // Closes the file (naming it first), so that others may work on it by its path.
    void FinishWriting();
    // Gives the file the final path, replacing the old file.
    void Commit();

private:
    void GiveTemporaryName();

    std::string finalPath_;
    std::string temporaryPath_;  // empty while the file has no name
    int fd_ = -1;
    bool replacing_ = false;  // the final path named something when the file was begun
    bool committed_ = false;
};

// Writes bytes to path through a ReplacementFile.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace vorlan
