// SPDX-License-Identifier: MIT
// The hostile-archive corpus and the outcome of each case on every path.
#include "tests/hostile/HostileCases.h"

#include <algorithm>

#include "tests/hostile/HostileSuites.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {

const char kSuiteManifestName[] = "META-INF/MANIFEST.MF";
const char kSuiteClassName[] = "game/Main.class";
const char kApiClassName[] = "api/Extra.class";

std::string SuiteManifestText() {
    return "Manifest-Version: 1.0\r\nMIDlet-Name: Game\r\nMIDlet-Version: 1.0.2\r\n"
           "MIDlet-Vendor: Vorlan tests\r\nMIDlet-1: Game, /i.png, game.Main\r\n\r\n";
}

std::string ApiArchiveBytes() {
    return ZipArchive{"", {StoredEntry(kApiClassName, "api class bytes")}}.bytes();
}

std::string SoundSuiteBytes() {
    return hostile::SuiteWithEntry("game/Level.dat", "level");
}

std::vector<std::string> SoundSuiteTree() {
    return {"META-INF/", "META-INF/MANIFEST.MF", "game/", "game/Level.dat", "game/Main.class"};
}

namespace {

using namespace hostile;
using R = ReaderOutcome;
using E = EntryOutcome;

const std::vector<std::string> kSuiteTree{"META-INF/", "META-INF/MANIFEST.MF", "game/", "game/Main.class"};
const std::vector<std::string> kSuiteTreeWithoutManifest{"META-INF/", "game/", "game/Main.class"};
const std::vector<std::string> kNothing{};

std::vector<std::string> SuiteTreeAnd(std::vector<std::string> more) {
    std::vector<std::string> tree = kSuiteTree;
    tree.insert(tree.end(), more.begin(), more.end());
    std::sort(tree.begin(), tree.end());
    return tree;
}

std::string Manifest() {
    return SuiteManifestText();
}

// Names and links that would write outside the target folder.
std::vector<HostileCase> NameCases() {
    const std::string m = Manifest();
    return {
        // Names that would land outside the target folder are skipped; the
        // rest of the suite is extracted, and the batch goes on with it.
        {"NameClimbingWithDotDot", [] { return SuiteWithEntry("../../../outside/dotdot.txt"); }, R::Lists, 3,
         kSuiteTree, m, E::Succeeds, E::Succeeds},
        {"NameClimbingWithBackslashes", [] { return SuiteWithEntry("..\\..\\..\\outside\\back.txt"); }, R::Lists, 3,
         kSuiteTree, m, E::Succeeds, E::Succeeds},
        {"NameClimbingOutOfAFolder", [] { return SuiteWithEntry("game/../../../../outside/mid.txt"); }, R::Lists, 3,
         kSuiteTree, m, E::Succeeds, E::Succeeds},
        {"AbsoluteName", [] { return SuiteWithEntry("/tmp/vorlan-hostile-absolute.txt"); }, R::Lists, 3, kSuiteTree, m,
         E::Succeeds, E::Succeeds},
        {"DriveLetterName", [] { return SuiteWithEntry("C:\\outside\\drive.txt"); }, R::Lists, 3, kSuiteTree, m,
         E::Succeeds, E::Succeeds},
        // Names no JAR can carry are left out of what is extracted; a JAR
        // already holding one is not rewritten (its name would come out
        // changed, or Java could not read it).
        {"NulByteInName", SuiteWithNulInName, R::Lists, 3, kSuiteTree, m, E::Fails, E::Succeeds},
        {"NameNotUtf8", SuiteWithNameNotUtf8, R::Lists, 3, kSuiteTree, m, E::Fails, E::Succeeds},
        {"NameOf64KiB", [] { return SuiteWithEntry("game/" + std::string(65530, 'n')); }, R::Lists, 3, kSuiteTree, m,
         E::Succeeds, E::Succeeds},
        {"EmptyName", [] { return SuiteWithEntry(""); }, R::Lists, 3, kSuiteTree, m, E::Succeeds, E::Succeeds},
        // Links are never made, and nothing is written through one.
        {"SymbolicLinkEntry", SuiteWithLinkEntry, R::Lists, 3, kSuiteTree, m, E::Succeeds, E::Succeeds},
        {"FileWrittenThroughALink", SuiteWithFileThroughALink, R::Lists, 4,
         SuiteTreeAnd({"escape/", "escape/planted.txt"}), m, E::Succeeds, E::Succeeds},
    };
}

// Names two readers may take for different entries, and shared bytes.
std::vector<HostileCase> AmbiguousNameCases() {
    const std::string m = Manifest();
    return {
        // Readers disagree on which of two equal names they take: refused whole.
        {"DuplicateManifestNames", SuiteWithDuplicateManifest, R::Lists, 3, kNothing, "", E::Fails, E::Fails},
        {"DuplicateClassNames", SuiteWithDuplicateClass, R::Lists, 3, kNothing, "", E::Fails, E::Fails},
        // Two manifests equal but for case: Java takes one, a case-blind
        // reader either. No manifest is trusted.
        {"ManifestNamesEqualButForCase", SuiteWithManifestTwinInOtherCase, R::Lists, 3, kSuiteTree,
         "Manifest-Version: 1.0\r\nMIDlet-Name: Impostor\r\n", E::Fails, E::Fails},
        // Class names equal but for case are what obfuscators make: such
        // suites keep working (on disk one file stands for both).
        {"ClassNamesEqualButForCase", SuiteWithClassTwinInOtherCase, R::Lists, 3, kSuiteTree, m, E::Succeeds,
         E::Succeeds},
        {"OverlappingEntries", SuiteWithOverlappingEntries, R::Lists, 3, kNothing, "", E::Fails, E::Fails},
    };
}

// Entries whose data cannot be trusted.
std::vector<HostileCase> DamagedDataCases() {
    const std::string m = Manifest();
    return {
        // Damaged data: the entry is not written; without a manifest the
        // suite fails and stays as it was.
        {"ManifestInflatingFarBeyondItsSize", SuiteWithInflatingManifest, R::Lists, 2, kSuiteTreeWithoutManifest, "",
         E::Fails, E::Fails},
        {"ClassInflatingFarBeyondItsSize", SuiteWithInflatingClass, R::Lists, 3, kSuiteTree, m, E::Succeeds,
         E::Succeeds},
        {"ManifestStatedAt4GiB", SuiteWithManifestStatedAt4GiB, R::Lists, 2, kSuiteTreeWithoutManifest, "", E::Fails,
         E::Fails},
        {"ManifestMarkedZip64WithoutItsExtra", SuiteWithManifestMarkedZip64WithoutExtra, R::Lists, 2, kNothing, "",
         E::Fails, E::Fails},
        {"ManifestWithZip64Sizes", SuiteWithManifestZip64Sizes, R::Lists, 2, kSuiteTree, m, E::Succeeds, E::Succeeds},
        {"ManifestCrcMismatch", SuiteWithManifestCrcMismatch, R::Lists, 2, kSuiteTreeWithoutManifest, "", E::Fails,
         E::Fails},
        {"EncryptedManifest", SuiteWithEncryptedManifest, R::Lists, 2, kSuiteTreeWithoutManifest, "", E::Fails,
         E::Fails},
        // The manifest's record points into the class file's data.
        {"ManifestLocalHeaderMissing", SuiteWithManifestLocalHeaderMissing, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
        {"ManifestLocalExtraRunningIntoTheDirectory", SuiteWithManifestLocalExtraIntoDirectory, R::Lists, 2, kNothing,
         "", E::Fails, E::Fails},
        {"ManifestDeflateStreamCutShort", SuiteWithManifestDeflateCutShort, R::Lists, 2, kSuiteTreeWithoutManifest, "",
         E::Fails, E::Fails},
        {"ClassDataRunningIntoTheDirectory", SuiteWithClassDataIntoDirectory, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
    };
}

// Broken directories, end records and layouts.
std::vector<HostileCase> DirectoryCases() {
    const std::string m = Manifest();
    return {
        // Broken directories and end records.
        {"ArchiveCutShort", SuiteCutShort, R::NotValid, 0, kNothing, "", E::Fails, E::Fails},
        {"DirectoryOffsetPastTheEnd", SuiteWithDirectoryOffsetPastTheEnd, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
        {"DirectorySizePastTheStart", SuiteWithDirectorySizePastTheStart, R::ReadError, 0, kNothing, "", E::Fails,
         E::Fails},
        {"EndRecordCountingTooFew", [] { return SuiteWithEndRecordCounting(2); }, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
        {"EndRecordCountingTooMany", [] { return SuiteWithEndRecordCounting(4); }, R::ReadError, 0, kNothing, "",
         E::Fails, E::Fails},
        {"EndRecordDiskCountsDisagreeing", SuiteWithDiskCountsDisagreeing, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
        // Two end records: readers disagree on which is the archive's.
        {"CommentHoldingAnEmptyEndRecord", SuiteWithEmptyEndRecordInComment, R::Lists, 0, kNothing, "", E::Fails,
         E::Fails},
        {"CommentHoldingAnEndRecordOfPartOfTheDirectory", SuiteWithPartialEndRecordInComment, R::Lists, 1, kNothing, "",
         E::Fails, E::Fails},
        {"CommentHoldingASecondDirectory", SuiteWithSecondDirectoryInComment, R::Lists, 3, kNothing, "", E::Fails,
         E::Fails},
        // Zip64 end records are beyond the directory reader's 32-bit range.
        {"Zip64EndRecord", SuiteWithZip64EndRecord, R::ReadError, 0, kNothing, "", E::Fails, E::Fails},
        {"ExtraFieldOverrunningItsRecord", SuiteWithExtraFieldOverrunningItsRecord, R::Lists, 2, kNothing, "", E::Fails,
         E::Fails},
        {"FolderEntryCarryingData", SuiteWithFolderEntryCarryingData, R::Lists, 3, SuiteTreeAnd({"assets/"}), m,
         E::Succeeds, E::Succeeds},
        // A script in front: kept in front of the rewritten JAR; a fix suite
        // replaces the whole file.
        {"DataInFrontOfTheArchive", SuiteWithDataInFront, R::Lists, 2, kSuiteTree, m, E::Succeeds, E::Succeeds},
    };
}

// Local headers that say otherwise than the directory: readers of the one
// and of the other see different suites. Refused whole where every entry is
// read; the manifest alone (whose headers agree) still comes out.
std::vector<HostileCase> DisagreeingHeaderCases() {
    const std::string m = Manifest();
    using L = LocalHeaderLie;
    const auto lying = [](L lie) { return [lie] { return SuiteWithClassLocalHeaderSaying(lie); }; };
    return {
        {"LocalHeaderNameDisagreeing", lying(L::name), R::Lists, 2, kNothing, m, E::Fails, E::Succeeds},
        {"LocalHeaderMethodDisagreeing", lying(L::method), R::Lists, 2, kNothing, m, E::Fails, E::Succeeds},
        {"LocalHeaderSizesDisagreeing", lying(L::sizes), R::Lists, 2, kNothing, m, E::Fails, E::Succeeds},
        {"LocalHeaderCrcDisagreeing", lying(L::crc), R::Lists, 2, kNothing, m, E::Fails, E::Succeeds},
        {"LocalHeaderFlagsDisagreeing", lying(L::flags), R::Lists, 2, kNothing, m, E::Fails, E::Succeeds},
    };
}

std::vector<HostileCase> MakeCases() {
    std::vector<HostileCase> cases;
    for (auto group : {NameCases, AmbiguousNameCases, DamagedDataCases, DirectoryCases, DisagreeingHeaderCases}) {
        std::vector<HostileCase> more = group();
        cases.insert(cases.end(), more.begin(), more.end());
    }
    return cases;
}

}  // namespace

const std::vector<HostileCase>& HostileCases() {
    static const std::vector<HostileCase> cases = MakeCases();
    return cases;
}

}  // namespace vorlan::test
