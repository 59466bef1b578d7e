// SPDX-License-Identifier: MIT
// Writing a journal's text, and reading and judging one found in a folder.
#include "filecommit/FoundJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "filecommit/PendingNames.h"

namespace vorlan {

namespace {

// Names may hold any byte but NUL and '/': NUL ends each. The closing mark
// tells a whole journal from one a power cut left half written, which no
// rename can have followed.
constexpr std::string_view kHeader = "vorlan commit 1";
constexpr std::string_view kEnd = "end";

// A name from a file someone else may have written, as a warning shows it:
// quoted, control bytes as \xNN, so that it cannot break the warning's line.
std::string Shown(const std::string& name) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown(1, '"');
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\')
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
        else
            shown += c;
    }
    return shown + '"';
}

// Our own journal: a regular file of this user that nobody else may write.
// The file was opened without following a link and is judged by what the
// open descriptor is, so nothing can be swapped in between.
std::string RefusalOfFile(int journalFd) {
    struct stat status {};
    if (::fstat(journalFd, &status) != 0) return std::string("it cannot be read: ") + std::strerror(errno);
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (status.st_uid != ::geteuid()) return "it belongs to another user";
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "other users may write to it";
    if (static_cast<std::uintmax_t>(status.st_size) > kMostJournalBytes) return "it is larger than 1 MiB";
    return {};
}

// Read as a stream, and never more than one byte past the bound: the size
// fstat gave may have grown since.
std::string ReadBounded(int fd, std::string& text) {
    const int error = ReadToEnd(fd, text, kMostJournalBytes);
    if (error == 0) return {};
    if (error == EFBIG) return "it is larger than 1 MiB";
    return std::string("it cannot be read: ") + std::strerror(error);
}

// The pairs of a whole journal; none for one that is not whole.
std::vector<std::pair<std::string, std::string>> JournalPairs(const std::string& text) {
    std::vector<std::string> fields;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\0', start);
        if (end == std::string::npos) return {};
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (fields.size() < 2 || fields.front() != kHeader || fields.back() != kEnd || fields.size() % 2 != 0) return {};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 1; i + 1 < fields.size(); i += 2) pairs.emplace_back(fields[i], fields[i + 1]);
    return pairs;
}

bool IsBareName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsSuiteFileName(const std::string& name) {
    if (name.size() <= 4) return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == ".jar" || extension == ".jad";
}

// A pending file that is gone was renamed before the kill; one that is there
// must be this user's regular file, not a link or another user's file.
std::string RefusalOfPendingFile(int folderFd, const std::string& pending) {
    struct stat status {};
    if (::fstatat(folderFd, pending.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? std::string() : "it lists " + Shown(pending) + ", which cannot be read";
    if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
        return "it lists " + Shown(pending) + ", which is not a file of this user";
    return {};
}

std::string RefusalOfRename(int folderFd, const std::string& pending, const std::string& target) {
    if (!IsBareName(target)) return "it lists " + Shown(target) + ", which is not a name in this folder";
    if (!IsSuiteFileName(target)) return "it lists " + Shown(target) + ", which is not a .jar or .jad file";
    if (!IsBareName(pending) || !IsPendingNameFor(pending, target))
        return "it lists " + Shown(pending) + ", which is not a pending file for " + Shown(target);
    return RefusalOfPendingFile(folderFd, pending);
}

}  // namespace

std::string JournalText(const std::vector<PendingRename>& renames) {
    std::string text(kHeader);
    text += '\0';
    for (const PendingRename& rename : renames) {
        text += rename.pendingName;
        text += '\0';
        text += rename.targetName;
        text += '\0';
    }
    text += kEnd;
    text += '\0';
    return text;
}

FoundJournal ReadFoundJournal(int folderFd, int journalFd) {
    FoundJournal journal;
    std::string text;
    journal.refusal = RefusalOfFile(journalFd);
    if (journal.refusal.empty()) journal.refusal = ReadBounded(journalFd, text);
    if (!journal.refusal.empty()) return journal;
    journal.renames = JournalPairs(text);
    for (const auto& [pending, target] : journal.renames) {
        journal.refusal = RefusalOfRename(folderFd, pending, target);
        if (!journal.refusal.empty()) break;
    }
    if (!journal.refusal.empty()) journal.renames.clear();
    return journal;
}

}  // namespace vorlan
