// SPDX-License-Identifier: MIT
// --repair's mending of a manifest, one fault per case: the mended text and
// what is reported, and nothing at all for a sound manifest.
#include <gtest/gtest.h>

#include <optional>

#include "midlet/ManifestRepair.h"

namespace vorlan::test {
namespace {

struct RepairCase {
    const char* name;
    std::string bytes;
    std::string storedName;
    std::string codePage;
    std::optional<std::string> text;  // the mended manifest; nothing when its content stays
    std::vector<std::string> repaired;
};

void PrintTo(const RepairCase& repair, std::ostream* out) {
    *out << repair.name;
}

const std::string kName = "META-INF/MANIFEST.MF";
const std::string kSound = "Manifest-Version: 1.0\r\nMIDlet-Name: Snake\r\n";

class ManifestRepairTest : public ::testing::TestWithParam<RepairCase> {};

TEST_P(ManifestRepairTest, MendsTheFaultAndSaysWhat) {
    const RepairCase& repair = GetParam();
    const ManifestRepair result = RepairManifest(repair.bytes, repair.storedName, repair.codePage);
    EXPECT_EQ(result.text, repair.text);
    EXPECT_EQ(result.repaired, repair.repaired);
    EXPECT_EQ(result.renameEntry, repair.storedName != kName);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ManifestRepairTest,
    ::testing::Values(
        RepairCase{"Sound", kSound + "\r\nName: a/B.class\r\nX: y\r\n", kName, "windows-1251", std::nullopt, {}},
        RepairCase{"SoundWithLfLineEnds", "A: 1\nB: 2\n", kName, "", std::nullopt, {}},
        RepairCase{"ByteOrderMark", "\xEF\xBB\xBF" + kSound, kName, "", kSound, {"the byte-order mark removed"}},
        RepairCase{"EmptyLinesInsideTheMainSection",
                   "A: 1\r\n\r\n\r\nB: 2\r\n\r\nName: a/B.class\r\nX: y\r\n\r\n",
                   kName,
                   "",
                   "A: 1\r\nB: 2\r\n\r\nName: a/B.class\r\nX: y\r\n\r\n",
                   {"2 empty lines inside the main section removed"}},
        RepairCase{"CrOnly", "A: 1\rB: 2\r", kName, "", "A: 1\r\nB: 2\r\n", {"CR line ends made CR LF"}},
        RepairCase{"Mixed", "A: 1\nB: 2\r\n", kName, "", "A: 1\r\nB: 2\r\n", {"mixed line ends made CR LF"}},
        RepairCase{"LongLine",
                   "A: " + std::string(80, 'x') + "\r\n",
                   kName,
                   "",
                   "A: " + std::string(69, 'x') + "\r\n " + std::string(11, 'x') + "\r\n",
                   {"lines longer than 72 bytes folded"}},
        RepairCase{"NoSpaceAfterColonAndNoLastLineEnd",
                   "A:1\r\nB: 2",
                   kName,
                   "",
                   "A: 1\r\nB: 2\r\n",
                   {"a line end added after the last line", "a space put after the colon of attributes that had none"}},
        RepairCase{"Windows1251",
                   "MIDlet-Name: \xC7\xEC\xE5\xE9\xEA\xE0\r\n",
                   kName,
                   "windows-1251",
                   "MIDlet-Name: \xD0\x97\xD0\xBC\xD0\xB5\xD0\xB9\xD0\xBA\xD0\xB0\r\n",
                   {"the text converted from windows-1251 to UTF-8"}},
        RepairCase{"LegacyTextWithoutCodePage", "MIDlet-Name: \xC7\xEC\r\n", kName, "", std::nullopt, {}},
        RepairCase{"StoredInLowerCase",
                   kSound,
                   "meta-inf/manifest.mf",
                   "",
                   std::nullopt,
                   {"the manifest stored as META-INF/MANIFEST.MF, not meta-inf/manifest.mf"}}),
    [](const ::testing::TestParamInfo<RepairCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vorlan::test
