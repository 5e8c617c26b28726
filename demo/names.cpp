// Creature and spell names, plurals and ability texts of the demo.
#include <algorithm>
#include <set>
#include <string_view>

#include "demo/cp1251.h"
#include "demo/random.h"
#include "demo/vocabulary.h"
#include "store/layouts.h"

namespace ce {

namespace {

// A piece of a name in both alphabets. The pieces are chosen so that the
// Latin spelling can be read back into its pieces in one way only (no bare
// "h" onset, no coda that forms "sh", "kh", "zh" or "ch" with the next piece),
// so two different names never share a spelling in either alphabet.
struct Piece {
    const char* lat;
    const char* cyr;
};

constexpr Piece kOnsets[] = {
    {"b", "б"}, {"d", "д"}, {"g", "г"}, {"k", "к"}, {"l", "л"}, {"m", "м"}, {"n", "н"},
    {"p", "п"}, {"r", "р"}, {"s", "с"}, {"t", "т"}, {"v", "в"}, {"z", "з"}, {"f", "ф"},
};
// Rarer onsets: one Russian letter for two Latin ones, and clusters.
constexpr Piece kRareOnsets[] = {
    {"sh", "ш"},  {"kh", "х"},  {"zh", "ж"},  {"ch", "ч"},  {"dr", "др"}, {"gr", "гр"},
    {"br", "бр"}, {"tr", "тр"}, {"kr", "кр"}, {"vr", "вр"}, {"st", "ст"}, {"sk", "ск"},
};
constexpr Piece kVowels[] = {{"a", "а"}, {"e", "е"}, {"i", "и"}, {"o", "о"}, {"u", "у"}};
constexpr Piece kVowelPairs[] = {{"ai", "ай"}, {"oi", "ой"}};
// A name may begin with a vowel; "e" there is the Russian "э".
constexpr Piece kFirstVowels[] = {
    {"a", "а"}, {"e", "э"}, {"i", "и"}, {"o", "о"}, {"u", "у"},
};
constexpr Piece kCodas[] = {
    {"n", "н"}, {"r", "р"}, {"l", "л"}, {"k", "к"}, {"s", "с"}, {"m", "м"}, {"x", "кс"}, {"sh", "ш"},
};
// Codas inside a name: soft sounds that join any onset.
constexpr Piece kInnerCodas[] = {{"n", "н"}, {"r", "р"}, {"l", "л"}};

template <std::size_t N>
const Piece& pick(Rng& rng, const Piece (&pieces)[N]) {
    return pieces[rng.below(static_cast<int>(N))];
}

struct Spelled {
    std::string lat;
    std::string cyr;
    void add(const Piece& p) {
        lat += p.lat;
        cyr += p.cyr;
    }
};

Spelled make_name(Rng& rng) {
    Spelled name;
    const int syllables = rng.percent(60) ? 2 : 3;
    for (int i = 0; i < syllables; ++i) {
        const bool last = i == syllables - 1;
        if (i == 0 && rng.percent(15)) {
            name.add(pick(rng, kFirstVowels));
        } else {
            name.add(rng.percent(25) ? pick(rng, kRareOnsets) : pick(rng, kOnsets));
            // Vowel pairs only inside a name, where they read well in both alphabets.
            name.add(!last && rng.percent(8) ? pick(rng, kVowelPairs) : pick(rng, kVowels));
        }
        if (last) {
            if (rng.percent(55)) name.add(pick(rng, kCodas));
        } else if (rng.percent(20) && name.lat.back() != 'i') {
            name.add(pick(rng, kInnerCodas));
        }
    }
    return name;
}

bool ends_with(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::string english_plural(const std::string& name) {
    if (ends_with(name, "s") || ends_with(name, "x") || ends_with(name, "z") || ends_with(name, "sh") ||
        ends_with(name, "ch"))
        return name + "es";
    return name + "s";
}

// Nominative plural of an invented Russian noun, by its last letter.
std::string russian_plural(const std::string& name) {
    const std::string_view last = last_char(name);
    const std::string_view stem(name.data(), name.size() - last.size());
    const auto after_hushing = [](std::string_view s) {
        const std::string_view c = last_char(s);
        return c == "г" || c == "к" || c == "х" || c == "ж" || c == "ш" || c == "ч" || c == "щ";
    };
    if (last == "а") return std::string(stem) + (after_hushing(stem) ? "и" : "ы");
    if (last == "я" || last == "й" || last == "ь") return std::string(stem) + "и";
    if (last == "о") return std::string(stem) + "а";
    if (last == "и" || last == "у" || last == "ы" || last == "э" || last == "ю" || last == "е")
        return name;  // such nouns do not change
    return name + (after_hushing(name) ? "и" : "ы");
}

// A sentence of an ability text. "{n}" is a number drawn from lo..hi, "{N}" the
// creature's name; "{n:one|many}" (English) and "{n:one|few|many}" (Russian)
// are the number with the noun form that agrees with it.
struct Phrase {
    const char* en;
    const char* ru;
    int lo, hi;
    bool lore;  // a long story sentence rather than a rule
};

constexpr Phrase kPhrases[] = {
    {"Strikes twice in every round.", "Бьёт дважды за раунд.", 0, 0, false},
    {"Regenerates {n} health at the start of each turn.",
     "В начале каждого хода восстанавливает {n} ед. здоровья.", 5, 50, false},
    {"Enemies next to it lose {n}% of their speed.", "Соседние враги теряют {n}% скорости.", 10, 50, false},
    {"Ignores {n}% of its target's defense.", "Игнорирует {n}% защиты цели.", 10, 80, false},
    {"Its bite poisons the target for {n:round|rounds}.",
     "Его укус отравляет цель на {n:раунд|раунда|раундов}.", 1, 5, false},
    {"Cannot be blinded or frightened.", "Не поддаётся ослеплению и страху.", 0, 0, false},
    {"Deals {n}% more damage to flying creatures.", "Наносит летающим существам на {n}% больше урона.", 10,
     100, false},
    {"When it dies, it bursts and harms everything around it.", "Погибая, взрывается и ранит всех вокруг.", 0,
     0, false},
    {"Once per battle it casts a protective ward on every ally.",
     "Раз за битву накладывает защитный оберег на всех союзников.", 0, 0, false},
    {"Its gaze turns one enemy in {n} to stone.", "Его взгляд обращает в камень одного врага из {n}.", 3, 10,
     false},
    {"Moves through other creatures and obstacles.", "Проходит сквозь существ и препятствия.", 0, 0, false},
    {"Gains {n} attack for every ally of its kind on the field.",
     "Получает +{n} к атаке за каждого сородича на поле.", 1, 5, false},
    {"Steals {n} gold from the enemy treasury every week.",
     "Каждую неделю крадёт из вражеской казны {n:золотой|золотых|золотых}.", 10, 200, false},
    {"Fights at full strength in darkness.", "В темноте сражается в полную силу.", 0, 0, false},
    {"Instead of attacking, it can heal an ally for {n} health.",
     "Вместо атаки может вылечить союзника на {n} ед. здоровья.", 10, 80, false},
    {"Its shots pass through the first target and hit the one behind it.",
     "Его выстрел пробивает первую цель и поражает следующую за ней.", 0, 0, false},
    {"Answers every attack, not only the first one.", "Отвечает на каждую атаку, а не только на первую.", 0,
     0, false},
    {"Calls up {n:lesser spirit|lesser spirits} when the battle begins.",
     "В начале битвы призывает {n:младшего духа|младших духов|младших духов}.", 1, 6, false},
    {"Shrugs off spells of the first two circles.", "Не поддаётся заклинаниям первых двух кругов.", 0, 0,
     false},
    {"Hates the creatures of the Abyss and strikes them {n}% harder.",
     "Ненавидит существ Бездны и бьёт их на {n}% сильнее.", 10, 50, false},
    {"Grows stronger with every enemy it defeats.", "Становится сильнее с каждым поверженным врагом.", 0, 0,
     false},
    {"Restores {n} mana to its commander after each victory.",
     "После каждой победы возвращает командиру {n} ед. маны.", 1, 20, false},
    {"Leaves a trail of fire that burns for {n:round|rounds}.",
     "Оставляет огненный след, который горит {n:раунд|раунда|раундов}.", 1, 4, false},
    {"Sings to its allies and raises their morale by {n}.",
     "Поёт для союзников и поднимает их боевой дух на {n}.", 1, 3, false},
    {"Sleeps through the first round of every battle.", "Пропускает первый раунд каждой битвы во сне.", 0, 0,
     false},
    {"Can be hired only in spring.", "Нанимается только весной.", 0, 0, false},
    {"Carries {n:spare shot|spare shots} in a hidden quiver.",
     "Носит в тайном колчане {n:запасной выстрел|запасных выстрела|запасных выстрелов}.", 2, 12, false},
    {"Turns slain enemies into pale servants of its own.", "Обращает павших врагов в своих бледных слуг.", 0,
     0, false},
    {"Old tales say that {N} was born from the first storm over the Glaciers, and that its cry can still be "
     "heard on winter nights when the wind turns to the north.",
     "Старые сказания говорят, что существо по имени {N} родилось из первой бури над Ледниками, и его крик до "
     "сих пор слышен зимними ночами, когда ветер поворачивает на север.",
     0, 0, true},
    {"Travellers who meet {N} on the road leave a gift of salt by the wayside, for it is said to remember "
     "every kindness and every insult for a hundred years.",
     "Путники, встретившие на дороге существо по имени {N}, оставляют у обочины дар из соли: говорят, оно "
     "помнит каждую доброту и каждую обиду сто лет.",
     0, 0, true},
    {"In the Marshes {N} is both feared and honoured: the villages that feed it in the lean months are spared "
     "when it goes hunting in autumn.",
     "На Болотах существо по имени {N} и боятся, и чтут: деревни, что кормят его в голодные месяцы, оно не "
     "трогает, когда осенью выходит на охоту.",
     0, 0, true},
    {"Smiths of the Forges keep a scale shed by {N} above the anvil and swear that it stops the iron from "
     "cracking in the cold.",
     "Кузнецы Кузней хранят над наковальней чешуйку, сброшенную существом по имени {N}, и клянутся, что она "
     "не даёт железу трескаться на морозе.",
     0, 0, true},
};

// The form of a counted noun: English one|many, Russian one|few|many.
std::string_view noun_form(std::string_view forms, int n, bool russian) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = forms.find('|', start)) != std::string_view::npos; start = bar + 1)
        parts.push_back(forms.substr(start, bar - start));
    parts.push_back(forms.substr(start));
    if (!russian) return n == 1 ? parts.front() : parts.back();
    const int last2 = n % 100;
    const int last = n % 10;
    if (last == 1 && last2 != 11) return parts.at(0);
    if (last >= 2 && last <= 4 && (last2 < 12 || last2 > 14)) return parts.at(1);
    return parts.at(2);
}

std::string fill(std::string_view pattern, int n, std::string_view name, bool russian) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 3, "{N}") == 0) {
            out += name;
            i += 3;
        } else if (pattern.compare(i, 3, "{n}") == 0) {
            out += std::to_string(n);
            i += 3;
        } else if (pattern.compare(i, 3, "{n:") == 0) {
            const std::size_t close = pattern.find('}', i);
            out += std::to_string(n);
            out += ' ';
            out += noun_form(pattern.substr(i + 3, close - i - 3), n, russian);
            i = close + 1;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

TextPair make_ability(Rng& rng, const TextPair& name) {
    constexpr int kCount = static_cast<int>(sizeof(kPhrases) / sizeof(kPhrases[0]));
    std::vector<int> chosen;
    const int rules = rng.percent(20) ? 1 : rng.range(2, 3);
    while (static_cast<int>(chosen.size()) < rules) {
        const int k = rng.below(kCount);
        if (!kPhrases[k].lore && std::find(chosen.begin(), chosen.end(), k) == chosen.end()) chosen.push_back(k);
    }
    if (rng.percent(25)) {
        int k;
        do k = rng.below(kCount);
        while (!kPhrases[k].lore);
        chosen.push_back(k);
    }
    TextPair text;
    for (const int k : chosen) {
        const Phrase& p = kPhrases[k];
        const int n = rng.range(p.lo, p.hi);
        if (!text.en.empty()) {
            text.en += ' ';
            text.ru += ' ';
        }
        text.en += fill(p.en, n, name.en, false);
        text.ru += fill(p.ru, n, name.ru, true);
    }
    return text;
}

// Spell names: an adjective and a noun; the Russian adjective agrees with the
// noun's gender (0 masculine, 1 feminine, 2 neuter).
struct Adjective {
    const char* en;
    const char* ru[3];
};
struct Noun {
    const char* en;
    const char* ru;
    int gender;
};

constexpr Adjective kAdjectives[] = {
    {"Frost", {"Ледяной", "Ледяная", "Ледяное"}},
    {"Burning", {"Пылающий", "Пылающая", "Пылающее"}},
    {"Thunder", {"Громовой", "Громовая", "Громовое"}},
    {"Shadow", {"Теневой", "Теневая", "Теневое"}},
    {"Radiant", {"Сияющий", "Сияющая", "Сияющее"}},
    {"Venom", {"Ядовитый", "Ядовитая", "Ядовитое"}},
    {"Stone", {"Каменный", "Каменная", "Каменное"}},
    {"Silent", {"Безмолвный", "Безмолвная", "Безмолвное"}},
    {"Swift", {"Быстрый", "Быстрая", "Быстрое"}},
    {"Ancient", {"Древний", "Древняя", "Древнее"}},
    {"Hollow", {"Пустой", "Пустая", "Пустое"}},
    {"Iron", {"Железный", "Железная", "Железное"}},
    {"Wild", {"Дикий", "Дикая", "Дикое"}},
    {"Crimson", {"Багровый", "Багровая", "Багровое"}},
};
constexpr Noun kNouns[] = {
    {"Lance", "копьё", 2}, {"Shield", "щит", 0},    {"Veil", "завеса", 1},   {"Wave", "волна", 1},
    {"Chain", "цепь", 1},  {"Burst", "вспышка", 1}, {"Arrow", "стрела", 1},  {"Ward", "оберег", 0},
    {"Mirror", "зеркало", 2}, {"Grasp", "хватка", 1}, {"Hammer", "молот", 0}, {"Eye", "око", 2},
};

constexpr const char* kMissiles[] = {
    "Iron bolt", "Fire dart",  "Bone arrow", "Glass shard", "River stone", "Ice needle",
    "Venom dart", "Star shard", "Short spear", "Acid glob",   "Hex orb",     "Thunder orb",
};

}  // namespace

std::vector<Creature> make_creatures(std::uint64_t seed) {
    Rng names(seed, "creature names");
    Rng abilities(seed, "abilities");
    std::set<std::string> seen_lat;
    std::set<std::string> seen_cyr;
    std::vector<Creature> creatures;
    creatures.reserve(kSlots);
    while (creatures.size() < static_cast<std::size_t>(kSlots)) {
        const Spelled s = make_name(names);
        if (!seen_lat.insert(s.lat).second) continue;
        if (!seen_cyr.insert(s.cyr).second) continue;
        Creature c;
        c.latin = s.lat;
        c.name = {capitalize(s.lat), capitalize(s.cyr)};
        c.plural = {english_plural(c.name.en), russian_plural(c.name.ru)};
        c.ability = make_ability(abilities, c.name);
        creatures.push_back(std::move(c));
    }
    return creatures;
}

std::vector<TextPair> make_spells(std::uint64_t seed) {
    std::vector<TextPair> all;
    for (const Adjective& a : kAdjectives)
        for (const Noun& n : kNouns) all.push_back({std::string(a.en) + " " + n.en, std::string(a.ru[n.gender]) + " " + n.ru});
    Rng rng(seed, "spells");
    // Fisher-Yates with our own numbers, then the first kDemoSpells.
    for (int i = static_cast<int>(all.size()) - 1; i > 0; --i) std::swap(all[i], all[rng.below(i + 1)]);
    all.resize(kDemoSpells);
    return all;
}

std::span<const char* const> missile_names() { return kMissiles; }

}  // namespace ce
