// SPDX-License-Identifier: MIT
// The list of text lines through which every manifest and descriptor passes,
// with its text form: lines split at CR LF, lone CR or lone LF, a NUL ending
// the text, and CR LF after every line when written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

class TextLines {
public:
    // Manifests and descriptors are a few kilobytes; anything larger than this
    // is not one, and reading it whole must not fill memory.
    static constexpr std::uintmax_t kMaxFileSize = 16u * 1024u * 1024u;
    // Nor may it hold more lines than this: every line costs a string, and
    // 16 MiB of bare line breaks (16 KiB deflated) would take a gigabyte.
    static constexpr std::size_t kMaxLines = 1u << 20;

    std::size_t Count() const { return lines_.size(); }
    const std::string& operator[](std::size_t index) const { return lines_.at(index); }
    void Set(std::size_t index, std::string line) { lines_.at(index) = std::move(line); }
    void Add(std::string line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    const std::vector<std::string>& Lines() const { return lines_; }

    // Replaces the content with the lines of text. A final line break does not
    // start an extra empty line.
    void SetText(std::string_view text);
    // Every line followed by CR LF.
    std::string Text() const;

    // Replaces the content with the lines of the file, and gives the file's
    // bytes. When the file cannot be read (missing, not a file, too large,
    // too many lines) this throws and the content stays.
    std::string LoadFromFile(const std::string& path);
    // The same for a file already open (read from where it stands); path
    // names it in the messages.
    std::string LoadFromOpenFile(int fd, const std::string& path);

private:
    std::string SetTextOfFile(std::string text, const std::string& path);

    std::vector<std::string> lines_;
};

// The lines of text, split as SetText does.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace vorlan
