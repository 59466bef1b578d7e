// SPDX-License-Identifier: MIT
// Reading a suite's JAR entry by entry, checking what a phone's zip reader
// relies on.
#include "suitecheck/SuiteArchive.h"

#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/ShownNames.h"
#include "suitecheck/EntryData.h"
#include "suitecheck/JarDirectory.h"
#include "suitecheck/JarFile.h"
#include "zipformat/DirectoryWalker.h"
#include "zipformat/FormatConstants.h"
#include "zipformat/LocalRecords.h"

namespace vorlan {

namespace {

constexpr std::uint64_t kLargestJar = 256u << 20;
// The most of a manifest the batch reads; no class file a phone loads comes
// near it. Each is held whole while it is checked.
constexpr std::uint64_t kLargestHeldEntry = 16u << 20;
// The most the check inflates of one suite's entries, more than any phone holds.
constexpr std::uint64_t kMostInflated = 512u << 20;

bool IsClassFile(const std::string& name) {
    return name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0;
}

bool DefersToZip64(const CentralHeader& header) {
    return header.compressedSize == kInZip64Extra || header.uncompressedSize == kInZip64Extra ||
           header.localHeaderOffset == kInZip64Extra;
}

// Data is read once for all the records that point to it and state it alike:
// where it lies, its method, its two sizes.
using DataKey = std::tuple<std::uint64_t, std::uint16_t, std::uint64_t, std::uint64_t>;

// What reading the data gave: its CRC, or why it is unsound.
struct DataOutcome {
    std::uint32_t crc = 0;
    std::string fault;
};

class EntryReading {
public:
    EntryReading(JarFile& file, std::uint64_t archiveStart, SuiteArchive& archive, const ClassFileVisitor& eachClass,
                 EntryReads reads)
        : file_(file),
          archiveStart_(archiveStart),
          archive_(archive),
          eachClass_(eachClass),
          reads_(reads),
          locals_(file) {}

    // Throws std::runtime_error saying why the entry cannot be read.
    void Read(const CentralRecord& record, const std::string& name) {
        if (DefersToZip64(record.header))
            throw std::runtime_error("its sizes or offset are in a Zip64 extra field, which phones do not read");
        if ((record.header.flags & kFlagEncrypted) != 0) throw std::runtime_error("it is encrypted");
        const bool held = name == kManifestEntryName || IsClassFile(name);
        if (!held && reads_ == EntryReads::ManifestAndClasses) return;
        const std::uint64_t offset = archiveStart_ + record.localHeaderOffset;
        const Decoded<LocalRecord> local = locals_.Read(offset);
        if (!local && local.Fault() == RecordFault::WrongSignature)
            throw std::runtime_error("no local header where the directory points");
        if (!local) throw std::runtime_error("its local header runs past the end of the file");
        const LocalDisagreement disagreement = FindDisagreement(*local, record.Facts());
        if (disagreement != LocalDisagreement::None)
            throw std::runtime_error("its local header says otherwise than the directory (" +
                                     std::string(DisagreementName(disagreement)) + ")");
        const StatedData data{offset + local->Size(), record.header.method, record.compressedSize,
                              record.uncompressedSize};
        std::string content;
        auto [known, fresh] =
            read_.try_emplace(DataKey{data.start, data.method, data.compressedSize, data.uncompressedSize});
        if (fresh) known->second = ReadData(data, held ? &content : nullptr);
        if (!known->second.fault.empty()) throw std::runtime_error(known->second.fault);
        if (known->second.crc != record.header.crc) throw std::runtime_error("its CRC does not match its content");
        if (!fresh) return;  // the same content under the same name: seen already
        if (name == kManifestEntryName) archive_.manifest = std::move(content);
        if (IsClassFile(name)) eachClass_(name, content);
    }

private:
    DataOutcome ReadData(const StatedData& data, std::string* content) {
        try {
            if (content != nullptr && data.uncompressedSize > kLargestHeldEntry)
                throw std::runtime_error("it is " + std::to_string(data.uncompressedSize) +
                                         " bytes, more than the 16 MiB a manifest or class file may take");
            if (data.uncompressedSize > inflateLeft_)
                throw std::runtime_error("it takes the suite's entries past 512 MiB, more than a phone holds");
            inflateLeft_ -= data.uncompressedSize;
            if (content != nullptr) content->reserve(data.uncompressedSize);
            return DataOutcome{ReadEntryData(file_, data, content), ""};
        } catch (const std::runtime_error& why) {
            return DataOutcome{0, why.what()};
        }
    }

    JarFile& file_;
    const std::uint64_t archiveStart_;
    SuiteArchive& archive_;
    const ClassFileVisitor& eachClass_;
    const EntryReads reads_;
    LocalRecordReader locals_;
    std::map<DataKey, DataOutcome> read_;
    std::uint64_t inflateLeft_ = kMostInflated;
};

std::vector<CentralRecord> WalkDirectory(const JarDirectory& directory) {
    CentralDirectoryWalker walker(directory.records);
    std::vector<CentralRecord> records;
    records.reserve(directory.entryCount);
    for (std::uint32_t i = 0; i < directory.entryCount; ++i) {
        const Decoded<CentralRecord> record = walker.Next();
        if (!record && record.Fault() == RecordFault::WrongSignature)
            throw std::runtime_error("a central directory record is damaged");
        if (!record) throw std::runtime_error("the central directory is cut short");
        records.push_back(*record);
    }
    return records;
}

void ReadEntries(EntryReading& reading, const std::vector<CentralRecord>& records, SuiteArchive& archive,
                 Findings& findings) {
    std::vector<std::string> names;
    names.reserve(records.size());
    for (const CentralRecord& record : records) names.emplace_back(record.name);
    archive.names = EntryNames(std::move(names));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CentralRecord& record = records[i];
        const std::string& name = archive.names[i];
        if (archive.names.Repeated(i))
            findings.Error(rules::kZip, "the entry " + ShownFileName(name) + " is stored twice");
        try {
            reading.Read(record, name);
        } catch (const std::runtime_error& why) {
            findings.Error(rules::kZip, "the entry " + ShownFileName(name) + " cannot be read: " + why.what());
        }
    }
}

}  // namespace

SuiteArchive ReadSuiteArchive(const std::string& path, Findings& findings, const ClassFileVisitor& eachClass,
                              EntryReads reads) {
    SuiteArchive archive;
    try {
        JarFile file(path);
        archive.size = file.Size();
        if (archive.size > kLargestJar) throw std::runtime_error("larger than 256 MiB, too large for a MIDlet suite");
        const JarDirectory directory = ReadJarDirectory(file);
        const std::vector<CentralRecord> records = WalkDirectory(directory);
        archive.readable = true;
        EntryReading reading(file, directory.archiveStart, archive, eachClass, reads);
        ReadEntries(reading, records, archive, findings);
    } catch (const std::runtime_error& why) {
        findings.Error(rules::kZip, std::string("the JAR is not a readable zip: ") + why.what());
    }
    return archive;
}

}  // namespace vorlan
