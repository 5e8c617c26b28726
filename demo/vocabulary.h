// The demo's invented game vocabulary: captions and list options of the form,
// creature and spell names, plurals and ability texts, each in English and in
// Russian (UTF-8 here; the language files get Windows-1251 bytes).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ce {

struct TextPair {
    std::string en;
    std::string ru;
};

struct Caption {
    const char* en;
    const char* ru;
};

// The lines of the Common file in their fixed order: the captions of
// controls 2000..2132, then the options of lists 305..316, then the four
// options shared by lists 320..322.
std::span<const Caption> common_captions();

// The none entry (line 0 of the Monsters files).
TextPair none_entry();

struct Creature {
    TextPair name;
    TextPair plural;
    TextPair ability;
    std::string latin;  // the name's syllables in lower-case ASCII, for sprite names and codes
};

// 1000 creatures with unique pronounceable names built from syllables; the
// Russian name is the transliteration of the English one.
std::vector<Creature> make_creatures(std::uint64_t seed);

constexpr int kDemoSpells = 100;
// kDemoSpells unique spell names.
std::vector<TextPair> make_spells(std::uint64_t seed);

// Missile names for the Ammo file (ASCII, at most 15 characters).
std::span<const char* const> missile_names();

}  // namespace ce
