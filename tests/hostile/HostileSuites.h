// SPDX-License-Identifier: MIT
// The builders of the hostile corpus: a sound suite, and that suite with one
// defect each. Every builder says in its name what it breaks.
#pragma once

#include <cstdint>
#include <string>

namespace vorlan::test::hostile {

// Names and paths the hostile entries use: "outside" is a sibling of the
// folders Vorlan works in, three levels up from any of them.
std::string SuiteWithEntry(const std::string& name, const std::string& content = "payload");
std::string SuiteWithNulInName();
// Written on Unix, whose names are taken as UTF-8: a CP437 byte is none.
std::string SuiteWithNameNotUtf8();
std::string SuiteWithLinkEntry();
std::string SuiteWithFileThroughALink();
std::string SuiteWithDuplicateManifest();
std::string SuiteWithDuplicateClass();
std::string SuiteWithManifestTwinInOtherCase();
std::string SuiteWithClassTwinInOtherCase();
std::string SuiteWithOverlappingEntries();
std::string SuiteWithInflatingManifest();
std::string SuiteWithInflatingClass();
std::string SuiteWithManifestStatedAt4GiB();
std::string SuiteWithManifestMarkedZip64WithoutExtra();
std::string SuiteWithManifestZip64Sizes();
std::string SuiteWithManifestCrcMismatch();
std::string SuiteWithEncryptedManifest();
std::string SuiteWithManifestLocalHeaderMissing();
std::string SuiteWithManifestLocalExtraIntoDirectory();
std::string SuiteWithManifestDeflateCutShort();
std::string SuiteWithClassDataIntoDirectory();
std::string SuiteCutShort();
std::string SuiteWithDirectoryOffsetPastTheEnd();
std::string SuiteWithDirectorySizePastTheStart();
std::string SuiteWithEndRecordCounting(std::uint16_t entries);
std::string SuiteWithDiskCountsDisagreeing();
std::string SuiteWithEmptyEndRecordInComment();
std::string SuiteWithPartialEndRecordInComment();
std::string SuiteWithSecondDirectoryInComment();
std::string SuiteWithZip64EndRecord();
std::string SuiteWithExtraFieldOverrunningItsRecord();
std::string SuiteWithFolderEntryCarryingData();
std::string SuiteWithDataInFront();

// The class file's local header saying otherwise than its central record.
enum class LocalHeaderLie { name, method, sizes, crc, flags };
std::string SuiteWithClassLocalHeaderSaying(LocalHeaderLie lie);

}  // namespace vorlan::test::hostile
