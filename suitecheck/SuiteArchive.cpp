// Reading a suite's JAR entry by entry, checking what a phone's zip reader
// relies on.
#include "suitecheck/SuiteArchive.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "zip/TZip.h"
#include "zipformat/FormatConstants.h"

namespace vorlan {

namespace {

constexpr std::uint64_t kLargestJar = 256u * 1024u * 1024u;

std::uint32_t Little(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string ForwardSlashes(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The stored data of entry, or throws with why it cannot be read.
std::string_view StoredData(const std::string& file, const TFileInfo& entry) {
    const std::size_t at = entry.LocalHeaderOffset;
    if (at + kLocalHeaderSize > file.size() || Little(file, at, 4) != kLocalHeaderSignature)
        throw std::runtime_error("no local header where the directory points");
    const std::size_t nameLength = Little(file, at + 26, 2);
    const std::size_t extraLength = Little(file, at + 28, 2);
    const std::string localName = file.substr(at + kLocalHeaderSize, nameLength);
    const bool namesDiffer =
        IsAscii(localName) ? ForwardSlashes(entry.FileName) != localName : nameLength != entry.FileNameLength;
    if (namesDiffer) throw std::runtime_error("its local header names \"" + localName + "\"");
    if (Little(file, at + 8, 2) != entry.CompressionMethod)
        throw std::runtime_error("local header and directory differ in the compression method");
    const bool described = (Little(file, at + 6, 2) & kFlagDataDescriptor) != 0;
    if (!described && (Little(file, at + 14, 4) != entry.Crc32 || Little(file, at + 18, 4) != entry.CompressedSize ||
                       Little(file, at + 22, 4) != entry.UncompressedSize))
        throw std::runtime_error("local header and directory differ in CRC or sizes");
    const std::size_t start = at + kLocalHeaderSize + nameLength + extraLength;
    if (start + entry.CompressedSize > file.size()) throw std::runtime_error("its data runs past the end of the file");
    return std::string_view(file).substr(start, entry.CompressedSize);
}

std::string Inflated(std::string_view data, std::uint32_t expectedSize) {
    std::string out(expectedSize, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw std::runtime_error("zlib cannot start");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int result = inflate(&stream, Z_FINISH);
    if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        char probe = 0;  // one more byte out means the data is longer than stated
        stream.next_out = reinterpret_cast<Bytef*>(&probe);
        stream.avail_out = 1;
        result = inflate(&stream, Z_FINISH);
        if (stream.avail_out == 0) result = Z_DATA_ERROR;
    }
    const uLong produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END || produced != expectedSize)
        throw std::runtime_error("its deflated data does not inflate to the stated size");
    return out;
}

// The entry's content, its CRC checked; throws with why it is unsound.
std::string EntryContent(const std::string& file, const TFileInfo& entry) {
    if (entry.Encrypted) throw std::runtime_error("it is encrypted");
    const std::string_view data = StoredData(file, entry);
    std::string content;
    if (entry.CompressionMethod == 0) {
        if (entry.CompressedSize != entry.UncompressedSize) throw std::runtime_error("stored, but its sizes differ");
        content = std::string(data);
    } else if (entry.CompressionMethod == 8) {
        content = Inflated(data, entry.UncompressedSize);
    } else {
        throw std::runtime_error("compression method " + std::to_string(entry.CompressionMethod) +
                                 " (phones read only stored and deflated entries)");
    }
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
    if (crc != entry.Crc32) throw std::runtime_error("its CRC does not match its content");
    return content;
}

bool KeepsContent(const std::string& name) {
    return name == "META-INF/MANIFEST.MF" || (name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0);
}

std::string ReadWholeFile(const std::string& path, std::uint64_t size) {
    if (size > kLargestJar) throw std::runtime_error("larger than 256 MiB, too large for a MIDlet suite");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw std::runtime_error("cannot be read");
    return bytes.str();
}

void ReadEntries(SuiteArchive& archive, const TZip& zip, const std::string& file, Findings& findings) {
    TFileInfo entry;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        zip.GetEntry(i, entry);
        const std::string name = ForwardSlashes(entry.FileName);
        if (!archive.names.insert(name).second) findings.Error(rules::kZip, "the entry " + name + " is stored twice");
        try {
            std::string content = EntryContent(file, entry);
            if (KeepsContent(name)) archive.contents[name] = std::move(content);
        } catch (const std::exception& why) {
            findings.Error(rules::kZip, "the entry " + name + " cannot be read: " + why.what());
        }
    }
}

}  // namespace

SuiteArchive ReadSuiteArchive(const std::string& path, Findings& findings) {
    SuiteArchive archive;
    try {
        std::error_code failure;
        archive.size = std::filesystem::file_size(path, failure);
        if (failure) throw std::runtime_error(failure.message());
        const std::string file = ReadWholeFile(path, archive.size);
        // One component for every read: destroying one releases the engine
        // modules the batch's own component loaded, which --api auto would
        // otherwise load again for every JAR.
        static TZip zip;
        zip.ShowProgressDialog = false;
        zip.SetZipFileName(path);  // exists: opening it only reads its directory
        archive.readable = true;
        ReadEntries(archive, zip, file, findings);
    } catch (const std::exception& why) {
        findings.Error(rules::kZip, std::string("the JAR is not a readable zip: ") + why.what());
    }
    return archive;
}

}  // namespace vorlan
