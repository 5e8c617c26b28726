// The Common file of the demo: captions and list options of the editor form in
// the order the editor reads them. The vocabulary is this demo's own: a game of
// nine homelands whose creatures come in seven tiers.
#include "demo/vocabulary.h"
#include "text/list_sources.h"

namespace ce {

namespace {

constexpr Caption kCommon[] = {
    // 2000..2003: the language box and its buttons, the creature box. Line 3 is
    // also the creature header, formatted with the creature's number.
    {"Language", "Язык"},
    {"English", "Английский"},
    {"Russian", "Русский"},
    {"Creature %d", "Существо %d"},
    // 2004..2006: sprite name (edit 121), tier (edit 151), four-letter code (edit 122).
    {"Sprite", "Спрайт"},
    {"Tier", "Уровень"},
    {"Code", "Код"},
    // 2007: the homeland box; 2008 is stored as -1 (no homeland), 2009..2017 as 0..8.
    {"Homeland", "Родина"},
    {"Wanderers", "Странники"},
    {"Highlands", "Нагорье"},
    {"Marshes", "Болота"},
    {"Glaciers", "Ледники"},
    {"Forges", "Кузни"},
    {"Groves", "Рощи"},
    {"Dunes", "Барханы"},
    {"Abyss", "Бездна"},
    {"Spires", "Шпили"},
    {"Tides", "Приливы"},
    // 2018: the traits box; 2019..2050 are bits 0..31 of the trait word.
    {"Traits", "Свойства"},
    {"Large", "Крупный"},
    {"Living", "Живой"},
    {"Shooter", "Стрелок"},            // 2021: governs the missile and the shooting options
    {"Two strikes", "Два удара"},
    {"No retaliation", "Без ответа"},
    {"Volley fire", "Залповый огонь"}, // 2024: governs the volley list 307
    {"Rooted", "Неподвижный"},         // 2025: a rooted creature has speed 0
    {"Siege weapon", "Осадный"},
    {"Spellcaster", "Колдун"},
    {"Summoned", "Призванный"},
    {"Regenerates", "Регенерация"},
    {"Long range", "Дальнобойный"},    // 2030: governs the range list 305
    {"Fearless", "Бесстрашный"},
    {"Poisonous", "Ядовитый"},
    {"Fire immune", "Огнеупорный"},
    {"Cold immune", "Морозостойкий"},
    {"Spell immune", "Антимагия"},
    {"Mindless", "Безмозглый"},        // 2036: a mindless creature has no morale (2073)
    {"Swimmer", "Пловец"},
    {"Flying", "Летающий"},            // 2038: only fliers dive (2084)
    {"Arc shot", "Навесом"},           // 2039: governs the shot arc list 306
    {"Burrower", "Роющий"},
    {"Charger", "Таранящий"},
    {"Healer", "Лекарь"},
    {"Thief", "Вор"},
    {"Night sight", "Ночное зрение"},
    {"Ethereal", "Бесплотный"},
    {"Shielded", "Щитоносец"},
    {"Berserk", "Берсерк"},
    {"Nomad", "Кочевник"},
    {"Elder", "Древний"},
    {"Unique", "Уникальный"},
    // 2051..2057
    {"Upgrades to", "Улучшается в"},
    {"Base form", "Базовая форма"},
    {"Range", "Дальность"},
    {"Missile", "Снаряд"},
    {"Shot arc", "Траектория"},
    {"Volley", "Залп"},
    {"Speed", "Скорость"},
    // 2058..2061: shooting options (enabled by 2021); 2062, 2063.
    {"Shoots in melee", "Бьёт в упор"},
    {"Piercing shot", "Пронзает"},
    {"Over walls", "Через стены"},
    {"Endless ammo", "Вечный колчан"},
    {"Breath attack", "Дыхание"},      // 2062: stored as 2 for a large creature (2019)
    {"Guards allies", "Охраняет союзников"},
    // 2064..2072
    {"Movement", "Передвижение"},
    {"Attack", "Атака"},
    {"Innate spell", "Врождённое заклинание"},
    {"Resistance", "Сопротивление"},
    {"Voice", "Голос"},
    {"Special strike", "Особый удар"},
    {"Chance", "Шанс"},
    {"P", "В"},
    {"Effect", "Эффект"},
    // 2073..2084: behaviour check boxes.
    {"Has morale", "Есть мораль"},
    {"Has luck", "Есть удача"},
    {"Cursed", "Проклят"},
    {"Blessed", "Благословлён"},
    {"Hates undead", "Враг нежити"},
    {"Hates dragons", "Враг драконов"},
    {"Wanders", "Бродяга"},
    {"Joins armies", "Примыкает"},
    {"Flees at night", "Бежит ночью"},
    {"Eats carrion", "Падальщик"},
    {"Hoards gold", "Копит золото"},
    {"Dive attack", "Пикирование"},
    // 2085..2096
    {"Dodge", "Уворот"},
    {"~", "~"},
    {"Life drain", "Похищение жизни"},
    {"Rate", "Доля"},
    {"Limit", "Предел"},
    {"Warding", "Оберег"},
    {"Damage dice", "Кубики урона"},
    {"Upkeep", "Содержание"},
    {"Path", "Путь"},
    {"Spells cast on hit", "Заклинания при ударе"},
    {"Armor", "Броня"},
    {"Rises again as", "Восстаёт как"},
    // Lines 97 and 98 label nothing.
    {"(reserved)", "(резерв)"},
    {"(reserved)", "(резерв)"},
    // 2099..2103
    {"Appears on random maps", "На случайных картах"},
    {"Save", "Сохранить"},
    {"Portrait", "Портрет"},
    {"Plural", "Множественное число"},
    {"Ability", "Способность"},
    // 2104..2119: the number block. Box 2104 holds attack, defence, shots,
    // magic, health, speed and gold cost, each beside its icon.
    {"Combat", "Бой"},
    {"Power", "Мощь"},
    {"Experience", "Опыт"},
    {"Growth", "Прирост"},
    {"AI value", "Ценность"},
    {"Wood", "Дерево"},
    {"Ore", "Руда"},
    {"Gems", "Камни"},
    {"Damage", "Урон"},
    {"Min", "Мин."},
    {"Max", "Макс."},
    {"Initiative", "Инициатива"},
    {"Mana", "Мана"},
    {"Map stack", "Отряд на карте"},
    {"Min", "Мин."},
    {"Max", "Макс."},
    // 2120..2130: the animation record.
    {"Animation", "Анимация"},
    {"Missile origin", "Вылет снаряда"},
    {"Head", "Голова"},
    {"Shadow", "Тень"},
    {"Turn angles", "Углы поворота"},
    {"Idle pause", "Пауза покоя"},
    {"Blink pause", "Пауза моргания"},
    {"Walk speed", "Темп шага"},
    {"Attack speed", "Темп атаки"},
    {"Flight speed", "Темп полёта"},
    {"Missile speed", "Полёт снаряда"},
    // 2131, 2132
    {"Luck", "Удача"},
    {"Walks through fire", "Сквозь огонь"},

    // List 305, range (5); cleared shooters fall back to entry 2.
    {"Touch", "Вплотную"},
    {"Short", "Близко"},
    {"Medium", "Средне"},
    {"Long", "Далеко"},
    {"Whole field", "Всё поле"},
    // List 306, shot arc (3).
    {"Straight", "Прямая"},
    {"High arc", "Высокая дуга"},
    {"Low arc", "Низкая дуга"},
    // List 307, volley (5).
    {"Single", "Одиночный"},
    {"Pair", "Двойной"},
    {"Triple", "Тройной"},
    {"Fan", "Веер"},
    {"Rain", "Град"},
    // List 308, movement (10).
    {"Walks", "Ходит"},
    {"Runs", "Бегает"},
    {"Crawls", "Ползает"},
    {"Hops", "Прыгает"},
    {"Flies", "Летает"},
    {"Glides", "Парит"},
    {"Swims", "Плавает"},
    {"Burrows", "Роет ходы"},
    {"Blinks", "Телепортируется"},
    {"Drifts", "Дрейфует"},
    // List 309, native terrain (6).
    {"Grass", "Трава"},
    {"Snow", "Снег"},
    {"Sand", "Песок"},
    {"Swamp", "Болото"},
    {"Rock", "Скалы"},
    {"Lava", "Лава"},
    // List 310, attack (9).
    {"Bite", "Укус"},
    {"Claws", "Когти"},
    {"Sting", "Жало"},
    {"Blade", "Клинок"},
    {"Club", "Дубина"},
    {"Spear", "Копьё"},
    {"Arrow", "Стрела"},
    {"Spit", "Плевок"},
    {"Gaze", "Взгляд"},
    // List 311, target (4).
    {"One enemy", "Один враг"},
    {"Two in a row", "Двое в ряд"},
    {"All around", "Все вокруг"},
    {"Area", "Область"},
    // List 312, element (10).
    {"None", "Нет"},
    {"Fire", "Огонь"},
    {"Frost", "Лёд"},
    {"Storm", "Гроза"},
    {"Earth", "Земля"},
    {"Poison", "Яд"},
    {"Light", "Свет"},
    {"Shadow", "Тень"},
    {"Spirit", "Дух"},
    {"Chaos", "Хаос"},
    // List 313, resistance (9).
    {"None", "Нет"},
    {"Fire", "Огню"},
    {"Frost", "Холоду"},
    {"Lightning", "Молнии"},
    {"Earth", "Земле"},
    {"Poison", "Яду"},
    {"Mind", "Разуму"},
    {"Curses", "Проклятиям"},
    {"All magic", "Всей магии"},
    // List 314, voice (7).
    {"Silent", "Немой"},
    {"Growl", "Рычание"},
    {"Hiss", "Шипение"},
    {"Roar", "Рёв"},
    {"Screech", "Визг"},
    {"Chant", "Пение"},
    {"Clatter", "Стук"},
    // List 315, special strike effect (9).
    {"Stun", "Оглушение"},
    {"Blind", "Ослепление"},
    {"Poison", "Отравление"},
    {"Slow", "Замедление"},
    {"Fear", "Страх"},
    {"Curse", "Проклятие"},
    {"Drain mana", "Кража маны"},
    {"Petrify", "Окаменение"},
    {"Death", "Смерть"},
    // List 316, path (3).
    {"Light", "Свет"},
    {"Dusk", "Мгла"},
    {"Dark", "Тьма"},
    // Lists 320..322, spell level (4).
    {"Basic", "Основы"},
    {"Adept", "Адепт"},
    {"Expert", "Эксперт"},
    {"Master", "Мастер"},
};

static_assert(sizeof(kCommon) / sizeof(kCommon[0]) == common_line_count(), "one line per caption and list option");

}  // namespace

std::span<const Caption> common_captions() { return kCommon; }

TextPair none_entry() { return {"(none)", "(нет)"}; }

}  // namespace ce
