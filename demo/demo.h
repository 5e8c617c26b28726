// creatures-demo: a complete data folder of our own invention, so that the
// editor has something to open on a machine without game data.
//
// The folder holds Lang (English, creature 0), the six data files at their
// fixed sizes, Eng and Rus with the five language files each (lines ending
// CR LF; the Russian ones in Windows-1251), and Pic with a portrait for every
// third creature plus one larger picture.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_folder.h"

namespace ce {

// Slots that hold, on purpose, values that the editor must carry through a
// show and a Save. Every other slot holds ordinary values.
namespace demo_slot {
constexpr int kNegativeNumber = 13;   // number block value 0 (edit 70) is kDemoNegativeNumber
constexpr int kListNoEntry = 21;      // array 51000 (list 308, 10 entries) holds kDemoListNoEntry
constexpr int kCheckTwo = 34;         // array 61000 (check box 2077) holds 2
constexpr int kRadioMinusOne = 55;    // array 26000 holds -1 (radio button 2008)
constexpr int kRadioNine = 89;        // array 26000 holds 9: names no radio button
constexpr int kAmmoNoZero = 144;      // its Ammo.vrh field is 16 letters without a zero
constexpr int kCodeNoZero = 145;      // its text at 16000 is 5 letters without a zero
constexpr int kBigFloat = 233;        // CrAnim float 0 (edit 5002) has six integer digits
constexpr int kLargePortrait = 7;     // Pic/7.jpg is kLargePortraitSize pixels square
constexpr int kInterlockedTexts = kFixedSlot;  // ordinary data: the editor empties edits 121 and 122 here
}  // namespace demo_slot

constexpr std::int32_t kDemoNegativeNumber = -7;
constexpr int kDemoListNoEntry = 12;
constexpr std::string_view kDemoAmmoNoZero = "Quicksilver dart";
constexpr std::string_view kDemoCodeNoZero = "QUILL";
constexpr float kDemoBigFloat = 123456.5f;
constexpr int kLargePortraitSize = 200;
constexpr int kPortraitWidth = 58;
constexpr int kPortraitHeight = 64;
constexpr std::uint64_t kDefaultDemoSeed = 1;

// A creature has a portrait file when this holds (every third, and the large one).
constexpr bool demo_has_portrait(int slot) { return slot % 3 == 0 || slot == demo_slot::kLargePortrait; }

struct DemoFile {
    std::string name;                 // relative to the folder, with the platform's separator
    std::vector<std::uint8_t> bytes;
};

// Every file of the demo folder for the seed, in writing order. The same seed
// gives the same bytes. A fault when the portraits cannot be encoded.
Result<std::vector<DemoFile>> make_demo_files(std::uint64_t seed);

// Writes the demo folder into dir, creating it (and its parents) when missing.
// Refuses, naming them, when dir already holds any of the demo's files, unless
// overwrite is set: the folder may hold someone's real data.
Status write_demo(const std::string& dir, const std::vector<DemoFile>& files, bool overwrite);

// The command line: creatures-demo DIR [--seed N] [--force], or --help.
struct DemoArgs {
    std::string dir;
    std::uint64_t seed = kDefaultDemoSeed;
    bool force = false;
    bool help = false;
    std::string error;  // non-empty: the arguments are bad, and why
};
DemoArgs parse_demo_args(std::span<const std::string> args);
std::string demo_usage();

}  // namespace ce
