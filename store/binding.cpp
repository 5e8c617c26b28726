// The binding table of the six data files, as data.
#include "store/binding.h"

#include <array>
#include <cstring>

namespace ce {
namespace {

using C = Conversion;
constexpr DataFile M = DataFile::Monsters;

constexpr BindingRow make(DataFile file, std::uint32_t offset, std::uint16_t stride,
                          std::uint8_t width, bool is_signed, Conversion kind, int control,
                          int caption) {
    return BindingRow{file, offset, stride, 0, 0, width, is_signed, kind, control, 0,
                      false, false, 0, 0.0f, 0, caption};
}

// One-element arrays of the creature table file, whose width is their stride.
constexpr BindingRow text(std::uint32_t offset, std::uint8_t width, int edit, int caption) {
    return make(M, offset, width, width, false, C::Text, edit, caption);
}
constexpr BindingRow number(std::uint32_t offset, std::uint8_t width, bool is_signed, int edit,
                            bool show_signed, bool save_signed, int caption) {
    BindingRow r = make(M, offset, width, width, is_signed, C::Number, edit, caption);
    r.show_signed = show_signed;
    r.save_signed = save_signed;
    return r;
}
constexpr BindingRow check(std::uint32_t offset, int box) {
    return make(M, offset, 1, 1, false, C::Check, box, box);
}
constexpr BindingRow list(std::uint32_t offset, std::uint8_t width, bool is_signed, int id,
                          int shift, int caption) {
    BindingRow r = make(M, offset, width, width, is_signed, C::List, id, caption);
    r.shift = static_cast<std::int8_t>(shift);
    return r;
}
constexpr BindingRow none(std::uint32_t offset, bool is_signed) {
    return make(M, offset, 1, 1, is_signed, C::None, 0, 0);
}
constexpr BindingRow ranged(BindingRow r, int last) {
    r.control2 = last;
    return r;
}

// An element of the 84-byte number block or CrAnim record.
constexpr BindingRow in_record(std::uint32_t offset, int element, int element_offset,
                               std::uint8_t width, Conversion kind, int control, bool show_signed,
                               bool save_signed, float scale, int caption) {
    BindingRow r = make(M, offset, 84, width, true, kind, control, caption);
    r.element = static_cast<std::uint8_t>(element);
    r.element_offset = static_cast<std::uint8_t>(element_offset);
    r.show_signed = show_signed;
    r.save_signed = save_signed;
    r.scale = scale;
    return r;
}

constexpr BindingRow check_pair() {
    BindingRow r = make(M, 40000, 1, 1, false, C::CheckPair, 2062, 2062);
    r.control2 = 2019;
    r.aux_offset = 21000;
    return r;
}

constexpr BindingRow plus_one() {
    BindingRow r = make(M, 25000, 1, 1, true, C::NumberPlusOne, 151, 2005);
    r.show_signed = true;
    r.save_signed = false;
    return r;
}

constexpr int kNumberBlockCaption[21] = {2104, 2104, 2104, 2104, 2104, 2104, 2104,
                                         2105, 2106, 2107, 2107, 2108, 2109, 2110,
                                         2111, 2113, 2114, 2115, 2116, 2118, 2119};

// The number block is shown as unsigned readings and read back the same way,
// so a shown 4294967295 stores -1 again.
constexpr BindingRow block(int i) {
    return in_record(85000, i, 4 * i, 4, C::Number, 70 + i, false, false, 0.0f,
                     kNumberBlockCaption[i]);
}

constexpr BindingRow cranim(int e) {
    if (e < 6)
        return in_record(169000, e, 2 * e, 2, C::Number, 91 + e, true, true, 0.0f, 2121 + e / 2);
    if (e < 18) return in_record(169000, e, 12 + 4 * (e - 6), 4, C::Float, 5002 + e - 6, false, false, 0.0f, 2124);
    if (e < 20)  // offsets 60 and 64: unsigned readings both ways, like the number block
        return in_record(169000, e, 60 + 4 * (e - 18), 4, C::Number, 5014 + e - 18, false, false, 0.0f,
                         2125 + e - 18);
    constexpr float kScales[4] = {9000.0f, 500.0f, 500.0f, 115.0f};
    return in_record(169000, e, 68 + 4 * (e - 20), 4, C::Scaled, 5016 + e - 20, false, false,
                     kScales[e - 20], 2127 + e - 20);
}

constexpr std::array<BindingRow, 99> kMonsters{{
    text(0, 16, 121, 2004),
    text(16000, 5, 122, 2006),
    ranged(make(M, 21000, 4, 4, false, C::FlagWord, 2019, 2018), 2050),
    plus_one(),
    ranged(make(M, 26000, 1, 1, true, C::Radio, 2008, 2007), 2017),
    number(27000, 1, false, 212, false, false, 2057),
    check(28000, 2073),
    check(29000, 2074),
    none(30000, false),
    list(31000, 1, false, 307, 0, 2056),
    number(32000, 1, false, 245, false, false, 2085),
    list(33000, 1, false, 306, 0, 2055),
    check(34000, 2080),
    check(35000, 2075),
    check(36000, 2076),
    check(37000, 2058),
    check(38000, 2079),
    check(39000, 2081),
    check_pair(),
    number(41000, 1, false, 249, false, false, 2091),
    number(42000, 1, false, 250, false, false, 2091),
    list(43000, 4, true, 302, 0, 2052),
    list(47000, 4, true, 301, 1, 2051),
    list(51000, 1, false, 308, 0, 2064),
    list(52000, 1, false, 309, 0, 2064),
    list(53000, 1, false, 310, 0, 2065),
    list(54000, 1, false, 311, 0, 2065),
    list(55000, 1, false, 312, 0, 2065),
    list(56000, 1, false, 313, 0, 2067),
    number(57000, 1, false, 231, false, false, 2070),
    list(58000, 1, false, 315, 0, 2072),
    list(59000, 1, false, 303, 0, 2066),
    list(60000, 1, false, 314, 0, 2068),
    check(61000, 2077),
    check(62000, 2078),
    number(63000, 4, false, 247, false, false, 2089),
    number(67000, 1, false, 246, false, false, 2088),
    check(68000, 2084),
    number(69000, 2, false, 251, false, false, 2092),
    check(71000, 2083),
    check(72000, 2082),
    check(73000, 2060),
    check(74000, 2059),
    number(75000, 1, false, 248, false, false, 2090),
    list(76000, 1, false, 316, 0, 2093),
    none(77000, true),
    none(78000, true),
    none(79000, true),
    check(80000, 2063),
    check(81000, 2061),
    list(82000, 1, false, 305, 0, 2053),
    check(83000, 2099),
    none(84000, true),
    block(0), block(1), block(2), block(3), block(4), block(5), block(6),
    block(7), block(8), block(9), block(10), block(11), block(12), block(13),
    block(14), block(15), block(16), block(17), block(18), block(19), block(20),
    cranim(0), cranim(1), cranim(2), cranim(3), cranim(4), cranim(5),
    cranim(6), cranim(7), cranim(8), cranim(9), cranim(10), cranim(11),
    cranim(12), cranim(13), cranim(14), cranim(15), cranim(16), cranim(17),
    cranim(18), cranim(19), cranim(20), cranim(21), cranim(22), cranim(23),
    number(253000, 1, true, 97, true, true, 2131),
}};

constexpr BindingRow imposed(int byte) {
    BindingRow r = make(DataFile::ImposedSpells, 0, 6, 1, true, C::List, 317 + byte, 2094);
    r.element = static_cast<std::uint8_t>(byte);
    r.element_offset = static_cast<std::uint8_t>(byte);
    r.shift = byte < 3 ? 1 : 0;  // lists 317-319 begin with the none entry
    return r;
}

constexpr std::array<BindingRow, 1> kAmmo{{make(DataFile::Ammo, 0, 16, 16, false, C::Text, 304, 2054)}};
constexpr std::array<BindingRow, 6> kImposed{{imposed(0), imposed(1), imposed(2), imposed(3), imposed(4), imposed(5)}};
constexpr std::array<BindingRow, 1> kFirewall{{make(DataFile::Firewall, 0, 0, 0, false, C::Bit, 2132, 2132)}};
constexpr BindingRow demonology() {
    BindingRow r = make(DataFile::Demonology, 0, 2, 2, true, C::List, 323, 2096);
    r.shift = 1;
    return r;
}
constexpr std::array<BindingRow, 1> kDemonology{{demonology()}};
constexpr BindingRow defense_bonus() {
    // Zero-extended byte shown through a signed reading (0..255 either way).
    BindingRow r = make(DataFile::DefenseBonus, 0, 1, 1, false, C::Number, 98, 2095);
    r.show_signed = true;
    r.save_signed = true;
    return r;
}
constexpr std::array<BindingRow, 1> kDefenseBonus{{defense_bonus()}};

// The arrays of the creature table file in the order showing fills them, and in
// the order saving stores them (which also names the arrays without a control).
constexpr std::uint32_t kMonstersShowOffsets[] = {
    0, 16000, 21000, 25000, 26000, 47000, 43000, 27000, 33000, 82000, 31000, 37000,
    74000, 73000, 81000, 40000, 80000, 51000, 52000, 53000, 54000, 55000, 59000, 60000,
    56000, 57000, 58000, 28000, 29000, 35000, 36000, 61000, 62000, 38000, 34000, 39000,
    72000, 71000, 68000, 32000, 67000, 63000, 75000, 41000, 42000, 69000, 76000, 83000,
    85000, 169000, 253000};
constexpr std::uint32_t kMonstersSaveOffsets[] = {
    0, 16000, 21000, 25000, 26000, 47000, 43000, 27000, 30000, 33000, 82000, 31000,
    37000, 74000, 73000, 81000, 40000, 80000, 51000, 52000, 53000, 54000, 55000, 59000,
    60000, 56000, 57000, 58000, 28000, 29000, 35000, 36000, 61000, 62000, 38000, 34000,
    39000, 72000, 71000, 68000, 32000, 67000, 63000, 75000, 41000, 42000, 69000, 76000,
    77000, 78000, 79000, 83000, 84000, 85000, 169000, 253000};

template <std::size_t N>
struct Order {
    std::array<std::uint16_t, N> index{};
    std::size_t count = 0;
};

// Expands array offsets to row indices; a record's elements follow in element order.
template <std::size_t N, std::size_t K>
constexpr Order<N> order_of(const std::array<BindingRow, N>& rows, const std::uint32_t (&offsets)[K]) {
    Order<N> order;
    for (std::uint32_t offset : offsets)
        for (std::size_t i = 0; i < N; ++i)
            if (rows[i].offset == offset) order.index[order.count++] = static_cast<std::uint16_t>(i);
    return order;
}

template <std::size_t N>
constexpr Order<N> all_rows() {
    Order<N> order;
    for (std::size_t i = 0; i < N; ++i) order.index[order.count++] = static_cast<std::uint16_t>(i);
    return order;
}

constexpr Order<99> kMonstersShow = order_of(kMonsters, kMonstersShowOffsets);
constexpr Order<99> kMonstersSave = order_of(kMonsters, kMonstersSaveOffsets);
static_assert(kMonstersShow.count == 99 - 5, "every array with a control is shown once");
static_assert(kMonstersSave.count == 99, "every array is stored once");
constexpr Order<6> kSixRows = all_rows<6>();
constexpr Order<1> kOneRow = all_rows<1>();

template <std::size_t N>
std::span<const std::uint16_t> as_span(const Order<N>& order) {
    return std::span<const std::uint16_t>(order.index.data(), order.count);
}

std::uint64_t load_le(const std::uint8_t* p, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void store_le(std::uint8_t* p, int width, std::uint64_t v) {
    for (int i = 0; i < width; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::span<const BindingRow> binding_rows(DataFile file) {
    switch (file) {
        case DataFile::Monsters: return kMonsters;
        case DataFile::Ammo: return kAmmo;
        case DataFile::ImposedSpells: return kImposed;
        case DataFile::Firewall: return kFirewall;
        case DataFile::Demonology: return kDemonology;
        case DataFile::DefenseBonus: return kDefenseBonus;
    }
    return {};
}

std::span<const std::uint16_t> show_order(DataFile file) {
    switch (file) {
        case DataFile::Monsters: return as_span(kMonstersShow);
        case DataFile::ImposedSpells: return as_span(kSixRows);
        default: return as_span(kOneRow);
    }
}

std::span<const std::uint16_t> save_order(DataFile file) {
    switch (file) {
        case DataFile::Monsters: return as_span(kMonstersSave);
        case DataFile::ImposedSpells: return as_span(kSixRows);
        default: return as_span(kOneRow);
    }
}

const BindingRow* find_row(DataFile file, std::uint32_t offset, int element) {
    for (const BindingRow& row : binding_rows(file))
        if (row.offset == offset && row.element == element) return &row;
    return nullptr;
}

std::size_t element_position(const BindingRow& row, int slot) {
    const auto s = static_cast<std::size_t>(slot);
    if (row.kind == Conversion::Bit) return row.offset + (s >> 3);
    return row.offset + row.stride * s + row.element_offset;
}

std::int64_t read_int(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const std::uint8_t* p = bytes.data() + element_position(row, slot);
    if (row.kind == Conversion::Bit) return (*p >> (slot & 7)) & 1;
    const std::uint64_t raw = load_le(p, row.width);
    if (!row.is_signed) return static_cast<std::int64_t>(raw);
    const int bits = 8 * row.width;
    const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
    return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

void write_int(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::int64_t value) {
    std::uint8_t* p = bytes.data() + element_position(row, slot);
    if (row.kind == Conversion::Bit) {
        const auto mask = static_cast<std::uint8_t>(1u << (slot & 7));
        *p = static_cast<std::uint8_t>(value != 0 ? (*p | mask) : (*p & ~mask));
        return;
    }
    store_le(p, row.width, static_cast<std::uint64_t>(value));
}

float read_float(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const auto bits = static_cast<std::uint32_t>(load_le(bytes.data() + element_position(row, slot), 4));
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void write_float(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    store_le(bytes.data() + element_position(row, slot), 4, bits);
}

std::string read_text(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const std::size_t start = element_position(row, slot);
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != 0) ++end;
    return std::string(reinterpret_cast<const char*>(bytes.data() + start), end - start);
}

void write_text(const BindingRow& row, std::span<std::uint8_t> bytes, int slot, std::string_view text) {
    const std::size_t start = element_position(row, slot);
    const std::size_t n = text.size() < row.width ? text.size() : row.width - 1u;
    if (n > 0) std::memcpy(bytes.data() + start, text.data(), n);
    bytes[start + n] = 0;
}

}  // namespace ce
