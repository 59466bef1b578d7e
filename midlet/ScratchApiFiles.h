// SPDX-License-Identifier: MIT
// The files the extracted API archives put into the scratch folder, by the
// key the add engine matches entry names with (ASCII letter case ignored,
// "\" and "/" alike): which of a JAR's own files adding them would replace.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace vorlan {

class TZip;

class ScratchApiFiles {
public:
    struct Replaced {
        std::string archive;
        std::vector<std::string> jarFiles;      // the JAR's names, "/" between folders, in its order
        std::vector<std::string> scratchFiles;  // the same files as the archive stored their names
    };

    void Clear();
    // The files an archive gave, as the archive component lists them ("\"
    // between folders). A later archive's file replaces an earlier one's of
    // the same name, as it does in the scratch folder. The manifest and
    // signature files never leave the scratch folder and are not kept.
    void Add(const std::string& archive, const std::vector<std::string>& names);

    // The files of the JAR open in zip that the API files would replace, its
    // manifest aside, by archive in the order they were added; none when no
    // file of the JAR has an API file's name.
    std::vector<Replaced> ReplacedIn(const TZip& zip) const;

private:
    struct File {
        std::size_t archive;
        std::string storedName;
    };
    std::vector<std::string> archives_;
    std::unordered_map<std::string, File> files_;  // by key
};

// API files moved out of the scratch folder for one JAR's add, so that the
// JAR keeps its own copies, then moved back: the next JAR finds the folder
// as the archives gave it, without extracting them again.
class FilesSetAside {
public:
    FilesSetAside() = default;
    ~FilesSetAside() { PutBack(); }
    FilesSetAside(const FilesSetAside&) = delete;
    FilesSetAside& operator=(const FilesSetAside&) = delete;

    // Moves the scratch files of replaced out of the scratch folder; throws
    // when one cannot be moved.
    void Take(const std::vector<ScratchApiFiles::Replaced>& replaced);
    // Moves them back; false when one could not be, and the scratch folder
    // lacks it.
    bool PutBack();

private:
    std::vector<std::pair<std::string, std::string>> moved_;  // scratch path, aside path
};

}  // namespace vorlan
