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

// The random numbers of the tool's tests (splitmix64): the same for a seed everywhere.
class Random {
public:
    // `stream`: another sequence for the same seed.
    explicit Random(std::uint64_t seed, std::uint64_t stream = 1) : state_(seed * 0x9E3779B97F4A7C15ull + stream) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1)); }
    int below(int n) { return range(0, n - 1); }

private:
    std::uint64_t state_;
};

constexpr const char* kFixtureAmmoNoZero = "Quicksilver dart";
constexpr int kFixtureSpells = 100;

// Writes the folder into dir (which must exist). Language 0 in Lang.
void write_fixture_folder(const std::string& dir, std::uint64_t seed = 1);

}  // namespace ce::test
