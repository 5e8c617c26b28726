// Values of every array of the six data files, slot by slot: what an editor
// session on a real data folder would meet (numbers within each field's spin
// range, list positions within each list, consistent flags), plus a few
// documented slots that hold, on purpose, values that the editor must carry
// through a show and a Save.
#include "demo/creature_data.h"

#include <cctype>
#include <stdexcept>
#include <string>

#include "demo/demo.h"
#include "demo/random.h"
#include "store/binding.h"
#include "store/value_text.h"
#include "store/layouts.h"

namespace ce {

namespace {

// Bits of the trait word at 21000 (check boxes 2019 + bit).
enum Trait : int {
    kLarge = 0,
    kLiving = 1,
    kShooter = 2,
    kVolley = 5,
    kRooted = 6,
    kSpellcaster = 8,
    kSummoned = 9,
    kLongRange = 11,
    kFireImmune = 14,
    kColdImmune = 15,
    kSpellImmune = 16,
    kMindless = 17,
    kSwimmer = 18,
    kFlying = 19,
    kArcShot = 20,
    kBurrower = 21,
    kEthereal = 26,
};

using Files = std::array<std::vector<std::uint8_t>, 6>;

// Puts values into the files through the binding table's rows.
struct Writer {
    Files& files;

    void put(DataFile file, std::uint32_t offset, int slot, std::int64_t value, int element = 0) {
        write_int(row(file, offset, element), bytes(file), slot, value);
    }
    void put_float(std::uint32_t offset, int element, int slot, float value) {
        write_float(row(DataFile::Monsters, offset, element), bytes(DataFile::Monsters), slot, value);
    }
    void put_text(DataFile file, std::uint32_t offset, int slot, std::string_view text) {
        write_text(row(file, offset, 0), bytes(file), slot, text);
    }
    // Fills the whole field with text's bytes: no terminating zero.
    void put_unterminated(DataFile file, std::uint32_t offset, int slot, std::string_view text) {
        const BindingRow& r = row(file, offset, 0);
        if (text.size() != r.width) throw std::logic_error("an unterminated text must fill its field");
        const std::size_t at = element_position(r, slot);
        for (std::size_t i = 0; i < text.size(); ++i) bytes(file)[at + i] = static_cast<std::uint8_t>(text[i]);
    }

    // The binding table names every array; an offset that names none is a slip
    // in this generator, not data.
    static const BindingRow& row(DataFile file, std::uint32_t offset, int element) {
        const BindingRow* r = find_row(file, offset, element);
        if (r == nullptr)
            throw std::logic_error("no array at offset " + std::to_string(offset) + " element " +
                                   std::to_string(element));
        return *r;
    }
    std::span<std::uint8_t> bytes(DataFile file) { return files[static_cast<std::size_t>(file)]; }
};

// A CrAnim value as the user would type it: up to three decimals.
std::string decimal_text(int thousandths) {
    const int whole = thousandths / 1000;
    const int frac = (thousandths < 0 ? -thousandths : thousandths) % 1000;
    std::string text;
    if (thousandths < 0 && whole == 0) text += '-';
    text += std::to_string(whole);
    if (frac != 0) {
        text += '.';
        text += static_cast<char>('0' + frac / 100);
        text += static_cast<char>('0' + frac / 10 % 10);
        text += static_cast<char>('0' + frac % 10);
        while (text.back() == '0') text.pop_back();
    }
    return text;
}

// The float that the editor stores for a typed text.
float typed_float(int thousandths) {
    const std::optional<float> value = parse_float(decimal_text(thousandths));
    if (!value) throw std::logic_error("unreadable float text " + decimal_text(thousandths));
    return *value;
}

// A float in -90..90: whole degrees, tenths or thousandths.
int angle_thousandths(Rng& rng) {
    switch (rng.below(3)) {
        case 0: return rng.range(-90, 90) * 1000;
        case 1: return rng.range(-900, 900) * 100;
        default: return rng.range(-90000, 90000);
    }
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Terrain of each homeland (radio values 0..8) in list 309.
constexpr int kHomeTerrain[9] = {4, 3, 1, 5, 0, 2, 5, 4, 3};

constexpr DataFile M = DataFile::Monsters;

// What a slot's values are drawn from: its place in the table and its traits.
struct SlotFacts {
    int s;
    int homeland;   // -1 (wanderers) .. 8
    int tier;       // 0..6, shown as 1..7
    bool upgraded;
    int power;      // 0..13
    std::uint32_t traits = 0;
    bool has(int bit) const { return (traits >> bit & 1u) != 0; }
};

// The trait flags of the word at 21000, drawn bit by bit.
std::uint32_t draw_traits(Rng& rng, int tier) {
    std::uint32_t traits = 0;
    const auto trait = [&](int bit, int percent) {
        if (rng.percent(percent)) traits |= 1u << bit;
    };
    const auto has = [&](int bit) { return (traits >> bit & 1u) != 0; };
    trait(kLarge, tier >= 4 ? 40 : 3);
    trait(kLiving, 80);
    trait(kShooter, 30);
    for (int bit = 3; bit < 32; ++bit) {
        if (bit == kVolley || bit == kLongRange || bit == kArcShot) {
            if (has(kShooter)) trait(bit, 45);
        } else if (bit == kMindless) {
            trait(bit, has(kLiving) ? 2 : 50);
        } else if (bit == kRooted) {
            trait(bit, 4);
        } else if (bit == kFlying) {
            trait(bit, 20);
        } else {
            trait(bit, bit < 22 ? 9 : 6);
        }
    }
    return traits;
}

// The Monsters arrays from the sprite name to the upgrade links.
void put_first_arrays(Writer& w, Rng& rng, const SlotFacts& f, const Creature& creature) {
    const int s = f.s;
    const int tier = f.tier;
    const auto has = [&](int bit) { return f.has(bit); };
    const bool shooter = f.has(kShooter);
    const int homeland = f.homeland;
    const bool upgraded = f.upgraded;
    const std::uint32_t traits = f.traits;
    w.put_text(M, 0, s, "cr_" + creature.latin);
    w.put_text(M, 16000, s, upper(creature.latin.substr(0, 4)));
    w.put(M, 21000, s, traits);
    w.put(M, 25000, s, tier);
    w.put(M, 26000, s, homeland);
    w.put(M, 27000, s, has(kRooted) ? 0 : 3 + tier + rng.range(0, 4) + (has(kFlying) ? 3 : 0));
    w.put(M, 28000, s, !has(kMindless) && rng.percent(85));
    w.put(M, 29000, s, rng.percent(85));
    w.put(M, 30000, s, rng.range(0, 3));  // shown nowhere; kept by Save
    w.put(M, 31000, s, shooter && has(kVolley) ? rng.range(1, 4) : 0);
    w.put(M, 32000, s, rng.range(0, 6) * 5);
    w.put(M, 33000, s, shooter && has(kArcShot) ? rng.range(1, 2) : 0);
    w.put(M, 34000, s, rng.percent(30));
    w.put(M, 35000, s, rng.percent(5));
    w.put(M, 36000, s, rng.percent(5));
    w.put(M, 37000, s, shooter && rng.percent(30));
    w.put(M, 38000, s, rng.percent(40));
    w.put(M, 39000, s, rng.percent(5));
    // Breath: 1, or 2 for a large creature (check boxes 2062 and 2019).
    w.put(M, 40000, s, rng.percent(10) ? (has(kLarge) ? 2 : 1) : 0);
    w.put(M, 41000, s, rng.range(1, tier + 2));
    w.put(M, 42000, s, rng.range(0, tier * 3));
    // Base creatures upgrade to the next slot; upgrades come from the slot before.
    w.put(M, 43000, s, upgraded ? s - 1 : s);
    w.put(M, 47000, s, upgraded || s == kSlots - 1 ? -1 : s + 1);
}

// The Monsters arrays from the movement to 84000.
void put_second_arrays(Writer& w, Rng& rng, const SlotFacts& f, int spell_count) {
    const int s = f.s;
    const int tier = f.tier;
    const auto has = [&](int bit) { return f.has(bit); };
    const bool shooter = f.has(kShooter);
    const int homeland = f.homeland;
    int move = rng.range(0, 3);
    if (has(kFlying)) move = rng.range(4, 5);
    else if (has(kSwimmer)) move = 6;
    else if (has(kBurrower)) move = 7;
    else if (has(kEthereal)) move = rng.percent(30) ? 8 : 9;
    w.put(M, 51000, s, move);
    w.put(M, 52000, s, homeland < 0 ? rng.range(0, 5) : kHomeTerrain[homeland]);
    w.put(M, 53000, s, shooter ? rng.range(6, 7) : (rng.percent(5) ? 8 : rng.range(0, 5)));
    w.put(M, 54000, s, rng.percent(70) ? 0 : rng.range(1, 3));
    w.put(M, 55000, s, rng.percent(50) ? 0 : rng.range(1, 9));
    int resist = rng.percent(60) ? 0 : rng.range(1, 8);
    if (has(kFireImmune)) resist = 1;
    if (has(kColdImmune)) resist = 2;
    if (has(kSpellImmune)) resist = 8;
    w.put(M, 56000, s, resist);
    const bool special = rng.percent(25);
    w.put(M, 57000, s, special ? rng.range(1, 10) * 5 : 0);
    w.put(M, 58000, s, special ? rng.range(0, 8) : 0);
    w.put(M, 59000, s, has(kSpellcaster) ? rng.range(0, spell_count - 1) : 0);
    w.put(M, 60000, s, rng.range(0, 6));
    w.put(M, 61000, s, rng.percent(8));
    w.put(M, 62000, s, rng.percent(5));
    const bool drain = rng.percent(10);
    w.put(M, 63000, s, drain ? rng.range(1, 50) * 100 * (tier + 1) : 0);
    w.put(M, 67000, s, drain ? rng.range(2, 10) * 5 : 0);
    w.put(M, 68000, s, has(kFlying) && rng.percent(40));
    w.put(M, 69000, s, rng.range(1, 30) * 10 * (tier + 1));
    w.put(M, 71000, s, rng.percent(10));
    w.put(M, 72000, s, rng.percent(8));
    w.put(M, 73000, s, shooter && rng.percent(40));
    w.put(M, 74000, s, shooter && rng.percent(20));
    w.put(M, 75000, s, rng.range(0, 8) * 5);
    w.put(M, 76000, s, rng.range(0, 2));
    for (const std::uint32_t hidden : {77000u, 78000u, 79000u}) w.put(M, hidden, s, rng.range(-1, 100));
    w.put(M, 80000, s, rng.percent(10));
    w.put(M, 81000, s, shooter && rng.percent(15));
    // A creature that does not shoot keeps the entry that clearing 2021 selects.
    w.put(M, 82000, s, shooter ? (has(kLongRange) ? rng.range(3, 4) : rng.range(1, 3)) : 2);
    w.put(M, 83000, s, rng.percent(80));
    w.put(M, 84000, s, rng.range(0, 100));
}

void put_number_block(Writer& w, Rng& rng, const SlotFacts& f) {
    const int s = f.s;
    const int tier = f.tier;
    const auto has = [&](int bit) { return f.has(bit); };
    const bool shooter = f.has(kShooter);
    const int power = f.power;
    // The number block, edits 70..90: attack, defence, shots, magic, health,
    // speed, gold cost; power, experience, growth and its bonus, AI value, wood,
    // ore, gems, damage min and max, initiative, mana, map stack min and max.
    const int attack = 1 + power * 4 + rng.range(0, 5);
    const int health = 4 + power * power * 3 + rng.range(0, 10);
    const int min_damage = 1 + power * 3 + rng.range(0, 3);
    const std::int64_t fight_value = static_cast<std::int64_t>(health) * attack * rng.range(5, 15);
    const int stack_min = 20 - tier * 3 > 1 ? 20 - tier * 3 : 1;
    const std::int64_t block[21] = {
        attack,
        1 + power * 4 + rng.range(0, 5),
        shooter ? rng.range(6, 24) : 0,
        has(kSpellcaster) ? rng.range(1, (tier + 1) * 3) : 0,
        health,
        3 + tier + rng.range(0, 4) + (has(kFlying) ? 2 : 0),
        20 + power * power * 25 + rng.range(0, 10) * 5,
        fight_value,
        health * 2,
        (14 - tier * 2 > 1 ? 14 - tier * 2 : 1) + rng.range(0, 3),
        rng.range(0, 5),
        fight_value / 3,
        tier >= 5 ? rng.range(0, 3) : 0,
        tier >= 5 ? rng.range(0, 3) : 0,
        tier >= 5 ? rng.range(0, 3) : 0,
        min_damage,
        min_damage + rng.range(0, power * 3 + 2),
        5 + tier + rng.range(0, 5),
        has(kSpellcaster) ? rng.range(1, 10) * 10 : 0,
        stack_min,
        stack_min * 3,
    };
    for (int i = 0; i < 21; ++i) w.put(M, 85000, s, block[i], i);
}

void put_cranim(Writer& w, Rng& rng, const SlotFacts& f) {
    const int s = f.s;
    const bool shooter = f.has(kShooter);
    // The CrAnim record: offsets of the missile, head and shadow; turn angles;
    // two pauses; four speeds shown as scaled values.
    for (int e = 0; e < 6; ++e) w.put(M, 169000, s, e < 2 && !shooter ? 0 : rng.range(-40, 40), e);
    for (int e = 6; e < 18; ++e) w.put_float(169000, e, s, typed_float(angle_thousandths(rng)));
    w.put(M, 169000, s, rng.range(0, 100), 18);
    w.put(M, 169000, s, rng.range(0, 100), 19);
    constexpr float kScales[4] = {9000.0f, 500.0f, 500.0f, 115.0f};
    const int shown[4] = {rng.range(200, 4000), rng.range(500, 6000), rng.range(500, 6000), rng.range(100, 2000)};
    for (int k = 0; k < 4; ++k) w.put(M, 169000, s, scaled_store(typed_float(shown[k]), kScales[k]), 20 + k);

    w.put(M, 253000, s, rng.range(-4, 4) * 5);
}

// Ammo and the four side files.
void put_side_files(Writer& w, Rng& rng, const SlotFacts& f, int spell_count) {
    const int s = f.s;
    const int tier = f.tier;
    const auto has = [&](int bit) { return f.has(bit); };
    const bool shooter = f.has(kShooter);
    const auto missiles = missile_names();
    w.put_text(DataFile::Ammo, 0, s,
               shooter ? missiles[static_cast<std::size_t>(rng.below(static_cast<int>(missiles.size())))] : "");

    // Spells cast on hit: up to three, each with its level.
    const int on_hit = rng.percent(80) ? 0 : rng.range(1, 3);
    for (int k = 0; k < 3; ++k) {
        w.put(DataFile::ImposedSpells, 0, s, k < on_hit ? rng.range(0, spell_count - 1) : -1, k);
        w.put(DataFile::ImposedSpells, 0, s, k < on_hit ? rng.range(0, 3) : 0, 3 + k);
    }
    w.put(DataFile::Firewall, 0, s, has(kFireImmune) || rng.percent(3));
    w.put(DataFile::Demonology, 0, s,
          has(kLiving) && !has(kSummoned) && rng.percent(25) ? rng.range(0, kSlots - 1) : -1);
    w.put(DataFile::DefenseBonus, 0, s, rng.percent(30) ? 0 : rng.range(1, tier * 5 + 10));
}

void make_slot(Writer& w, Rng& rng, int s, const Creature& creature, int spell_count) {
    SlotFacts f{s, (s / 14) % 10 - 1, (s % 14) / 2, s % 2 == 1, 0};
    f.power = f.tier * 2 + (f.upgraded ? 1 : 0);
    f.traits = draw_traits(rng, f.tier);
    put_first_arrays(w, rng, f, creature);
    put_second_arrays(w, rng, f, spell_count);
    put_number_block(w, rng, f);
    put_cranim(w, rng, f);
    put_side_files(w, rng, f, spell_count);
}

}  // namespace

Files make_data_files(std::uint64_t seed, const std::vector<Creature>& creatures, int spell_count) {
    if (creatures.size() != static_cast<std::size_t>(kSlots))
        throw std::logic_error("the demo needs one creature per slot");
    Files files;
    for (const DataFileInfo& info : data_files())
        files[static_cast<std::size_t>(info.id)].assign(info.size, 0);
    Writer w{files};
    Rng rng(seed, "data");
    for (int s = 0; s < kSlots; ++s) make_slot(w, rng, s, creatures[static_cast<std::size_t>(s)], spell_count);

    // The documented unusual slots (demo/demo.h).
    w.put(M, 85000, demo_slot::kNegativeNumber, kDemoNegativeNumber, 0);
    w.put(M, 51000, demo_slot::kListNoEntry, kDemoListNoEntry);
    w.put(M, 61000, demo_slot::kCheckTwo, 2);
    w.put(M, 26000, demo_slot::kRadioMinusOne, -1);
    w.put(M, 26000, demo_slot::kRadioNine, 9);
    w.put_unterminated(DataFile::Ammo, 0, demo_slot::kAmmoNoZero, kDemoAmmoNoZero);
    w.put_unterminated(M, 16000, demo_slot::kCodeNoZero, kDemoCodeNoZero);
    w.put_float(169000, 6, demo_slot::kBigFloat, kDemoBigFloat);
    return files;
}

}  // namespace ce
