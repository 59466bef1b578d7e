// SPDX-License-Identifier: MIT
// Reading the JAD beside a JAR, and what of it only the JAD has.
#include "midlet/ExistingJad.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unordered_set>

#include "filecommit/FileDescriptor.h"
#include "midlet/EntryWarnings.h"
#include "midlet/JadText.h"
#include "midlet/ManifestLines.h"
#include "midlet/PathNames.h"
#include "zipformat/Utf8.h"

namespace vorlan {

namespace {

// Whether a link at path was made by this user (or by root, who owns the
// system's folders), whose choice of target is the user's own.
bool IsOwnLink(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && (info.st_uid == geteuid() || info.st_uid == 0);
}

}  // namespace

std::optional<TextLines> ReadExistingJad(const std::string& path) {
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;  // a FIFO must not hold the batch up
    FileDescriptor file(open(path.c_str(), kFlags | O_NOFOLLOW));
    if (file.Get() < 0 && errno == ENOENT) return std::nullopt;
    // Another user's link is replaced by the new JAD like any link, and
    // nothing is read through it.
    if (file.Get() < 0 && errno == ELOOP) {
        if (!IsOwnLink(path)) return std::nullopt;
        file = FileDescriptor(open(path.c_str(), kFlags));
        if (file.Get() < 0 && errno == ENOENT) return std::nullopt;  // a link to nothing
    }
    if (file.Get() < 0) throw std::runtime_error("Cannot read \"" + path + "\": " + std::strerror(errno));
    struct stat info {};
    if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    TextLines lines;
    lines.LoadFromOpenFile(file.Get(), path);  // the very file opened, with its limits
    return lines;
}

std::vector<std::string> JadOnlyLines(const TextLines& manifest, TextLines jad, const std::string& jadName,
                                      EntryWarnings& warnings) {
    std::unordered_set<std::string> manifestNames;
    for (const std::string& line : manifest.Lines())
        if (line.empty() || line.front() != ' ') manifestNames.insert(LowerAscii(AttributeName(line)));
    DropByteOrderMark(jad);
    JoinContinuationLines(jad);
    std::vector<std::string> own;
    for (std::size_t i = 0; i < jad.Count(); ++i) {
        const std::string& line = jad[i];
        if (line.find_first_not_of(" \t") == std::string::npos) continue;  // empty lines say nothing
        const std::string_view name = AttributeName(line);
        if (name.empty()) {
            warnings.Add("line " + std::to_string(i + 1) + " of " + jadName +
                         " is no \"name: value\" attribute and is left out of the new JAD");
            continue;
        }
        if (manifestNames.count(LowerAscii(name)) != 0) continue;
        if (IsWellFormedUtf8(line))
            own.push_back(line);
        else
            warnings.Add(NotUtf8Warning(i + 1, jadName, line));
    }
    return own;
}

bool IsSignatureLine(const std::string& line) {
    const std::string name = LowerAscii(AttributeName(line));
    return name == "midlet-jar-rsa-sha1" || name.rfind("midlet-certificate-", 0) == 0;
}

}  // namespace vorlan
