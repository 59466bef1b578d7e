// SPDX-License-Identifier: MIT
// A suite's findings as one record of an unnamed file: for each finding a
// byte (1 for an error), then the rule and the text, each after its length
// in four little-endian bytes.
#include "suitecheck/FindingsSpill.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace vorlan {

namespace {

void PutLength(std::string& record, std::size_t length) {
    for (int shift = 0; shift < 32; shift += 8) record += static_cast<char>((length >> shift) & 0xFF);
}

std::string Record(const Findings& findings) {
    std::string record;
    for (const Finding& finding : findings.List()) {
        record += finding.error ? '\1' : '\0';
        PutLength(record, finding.rule.size());
        record += finding.rule;
        PutLength(record, finding.text.size());
        record += finding.text;
    }
    return record;
}

// The next length-prefixed piece of record at at; false when the record ends
// before it does.
bool TakePiece(std::string_view record, std::size_t& at, std::string& piece) {
    if (record.size() - at < 4) return false;
    std::size_t length = 0;
    for (std::size_t k = 0; k < 4; ++k)
        length |= static_cast<std::size_t>(static_cast<unsigned char>(record[at + k])) << (8 * k);
    at += 4;
    if (record.size() - at < length) return false;
    piece.assign(record.substr(at, length));
    at += length;
    return true;
}

std::vector<Finding> FindingsOf(std::string_view record) {
    std::vector<Finding> list;
    for (std::size_t at = 0; at < record.size();) {
        Finding finding;
        finding.error = record[at++] != '\0';
        if (!TakePiece(record, at, finding.rule) || !TakePiece(record, at, finding.text)) break;
        list.push_back(std::move(finding));
    }
    return list;
}

// Unnamed, so that nobody can reach it by a name or put anything in its
// place; it goes with the process.
FileDescriptor UnnamedTemporaryFile() {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0') folder = "/tmp";
    return FileDescriptor(::open(folder, O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600));
}

}  // namespace

FindingsSpill::FindingsSpill(std::size_t count) : file_(UnnamedTemporaryFile()), places_(count, {0, 0}), held_(count) {}

void FindingsSpill::Put(std::size_t suite, const Findings& findings) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!Spilled(suite, findings)) held_[suite] = findings;
}

bool FindingsSpill::Spilled(std::size_t suite, const Findings& findings) {
    if (!file_.Valid()) return false;
    const std::string record = Record(findings);
    if (::lseek(file_.Get(), static_cast<off_t>(end_), SEEK_SET) < 0 || WriteAll(file_.Get(), record) != 0)
        return false;  // a full temporary folder: this suite's findings stay in memory
    places_[suite] = {end_, record.size()};
    end_ += record.size();
    return true;
}

Findings FindingsSpill::Take(std::size_t suite) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (held_[suite]) {
        Findings findings = std::move(*held_[suite]);
        held_[suite].reset();
        return findings;
    }
    const auto [offset, size] = places_[suite];
    std::string record(size, '\0');
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(file_.Get(), record.data() + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            throw std::runtime_error("Cannot read back the findings kept in the temporary folder: " +
                                     std::string(got < 0 ? std::strerror(errno) : "the file ends early"));
        done += static_cast<std::size_t>(got);
    }
    return Findings::Restored(FindingsOf(record));
}

}  // namespace vorlan
