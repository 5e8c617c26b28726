// A complete data folder of the tests' own: Lang, the six data files with
// varied values in every element (drawn through the binding table), and the
// five language files in English (Windows-1252, with accented letters) and
// Russian (Windows-1251). A few slots hold, on purpose, values that the editor
// cannot show faithfully; every other value is one the editor shows as stored.
#pragma once

#include <cstdint>
#include <string>

namespace ce::test {

namespace fixture_slot {
constexpr int kNegativeNumber = 13;  // number block value 0 (85000[0]) is -7
constexpr int kListNoEntry = 21;     // 51000 (list 308, 10 entries) holds 12
constexpr int kCheckTwo = 34;        // 61000 (check box 2077) holds 2
constexpr int kRadioNine = 89;       // 26000 holds 9
constexpr int kAmmoNoZero = 144;     // Ammo.vrh: 16 letters without a zero
constexpr int kCodeNoZero = 145;     // 16000: 5 letters without a zero
constexpr int kBigFloat = 233;       // 169000[6] is 123456.5
constexpr int kOddFloats = 300;      // 169000[7..9]: NaN 0xFFC00001, -0.0, inf
}  // namespace fixture_slot

constexpr const char* kFixtureAmmoNoZero = "Quicksilver dart";
constexpr int kFixtureSpells = 100;

// Writes the folder into dir (which must exist). Language 0 in Lang.
void write_fixture_folder(const std::string& dir, std::uint64_t seed = 1);

}  // namespace ce::test
