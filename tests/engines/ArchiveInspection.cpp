// SPDX-License-Identifier: MIT
// Reading archives back with Python's zipfile.
#include "tests/engines/ArchiveInspection.h"

#include <sstream>
#include <stdexcept>

#include "tests/support/TestTools.h"

namespace vorlan::test {

namespace {

const char* kInspector = R"(
import sys, zipfile, struct, hashlib
path = sys.argv[1]
raw = open(path, 'rb').read()
def ids(extra):
    out, i = [], 0
    while i + 4 <= len(extra):
        kind, length = struct.unpack_from('<HH', extra, i)
        out.append('%04x' % kind)
        i += 4 + length
    return ','.join(out) or '-'
with zipfile.ZipFile(path) as z:
    for info in z.infolist():
        at = info.header_offset
        n, m = struct.unpack_from('<HH', raw, at + 26)
        data = raw[at + 30 + n + m: at + 30 + n + m + info.compress_size]
        print('\t'.join([info.filename.encode('utf-8').hex(), str(info.flag_bits), str(info.create_system),
                         str(info.external_attr), str(info.compress_type), ids(info.extra),
                         ids(raw[at + 30 + n: at + 30 + n + m]), hashlib.sha1(data).hexdigest()]))
    print('comment\t' + z.comment.hex())
)";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

}  // namespace

const InspectedEntry& InspectedArchive::entry(const std::string& name) const {
    for (const InspectedEntry& candidate : entries)
        if (candidate.name == name) return candidate;
    throw std::runtime_error("no entry " + name);
}

std::vector<std::string> InspectedArchive::names() const {
    std::vector<std::string> result;
    for (const InspectedEntry& candidate : entries) result.push_back(candidate.name);
    return result;
}

InspectedArchive InspectArchive(const std::filesystem::path& archive) {
    const CommandResult result = RunCommand({"python3", "-c", kInspector, archive.string()});
    if (result.status != 0)
        throw std::runtime_error("zipfile cannot read " + archive.string() + ": " + result.output + result.errors);
    InspectedArchive inspected;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() == 2 && f[0] == "comment") inspected.comment = FromHex(f[1]);
        if (f.size() != 8) continue;
        inspected.entries.push_back({FromHex(f[0]), static_cast<unsigned>(std::stoul(f[1])),
                                     static_cast<unsigned>(std::stoul(f[2])), std::stoull(f[3]),
                                     static_cast<unsigned>(std::stoul(f[4])), f[5], f[6], f[7]});
    }
    return inspected;
}

}  // namespace vorlan::test
