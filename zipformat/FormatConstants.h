// SPDX-License-Identifier: MIT
// The zip format's fixed values, defined once for every reader: record
// signatures, the sizes of the records' fixed parts, general purpose flags
// and the extra field ids read here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlan {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;     // APPNOTE 4.3.7
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;   // APPNOTE 4.3.12
constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50;  // APPNOTE 4.3.14
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;    // APPNOTE 4.3.15
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;       // APPNOTE 4.3.16

// The fixed parts, without names, extra fields and comments.
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kEndRecordSize = 22;

// The one name under which Java and phones' installers look for a JAR's
// manifest; the name is case-sensitive.
constexpr std::string_view kManifestEntryName = "META-INF/MANIFEST.MF";

// The longest archive comment a 16-bit length can give.
constexpr std::size_t kLongestComment = 0xFFFF;

// General purpose bit flags (APPNOTE 4.4.4).
constexpr std::uint16_t kFlagEncrypted = 1u << 0;
constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
constexpr std::uint16_t kFlagPatchedData = 1u << 5;
constexpr std::uint16_t kFlagStrongEncryption = 1u << 6;
constexpr std::uint16_t kFlagUtf8Name = 1u << 11;
constexpr std::uint16_t kFlagMaskedLocalHeader = 1u << 13;

// A 32-bit size or offset of all ones stands for a value in the Zip64 extra
// field (APPNOTE 4.5.3), whose id is 1.
constexpr std::uint32_t kInZip64Extra = 0xFFFFFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

// Info-ZIP's blocks holding a UTF-8 form of the name and of the comment.
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
constexpr std::uint16_t kUnicodeCommentExtraId = 0x6375;

}  // namespace vorlan
