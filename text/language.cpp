// The language file table, the creature header and the filling of the form.
#include "text/language.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "form/form.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {

namespace {

constexpr std::array<const char*, 2> kLanguageFolders = {"Eng", "Rus"};
constexpr std::array<const char*, 5> kKindFiles = {"Monsters.txt", "Spells.txt", "Common.txt",
                                                   "Plural.txt", "Ability.txt"};

// Option counts of the lists 305..316, in the order the Common file holds them.
constexpr std::array<int, 12> kOptionCounts = {5, 3, 5, 10, 6, 9, 4, 10, 9, 7, 9, 3};
constexpr int kFirstList = 300;
constexpr int kLastList = 323;
constexpr int kNotAList = 304;  // an edit field among the list identifiers

constexpr std::size_t kHeaderMax = 999;

// One integer conversion of the header format: %[-0]*[width][l](d|i|u|x|X).
struct Conversion {
    bool left = false;
    bool zero = false;
    std::size_t width = 0;
    char type = 'd';
    std::size_t end = 0;  // offset just past the conversion
};

bool parse_conversion(std::string_view format, std::size_t percent, Conversion& conv) {
    std::size_t j = percent + 1;
    for (; j < format.size() && (format[j] == '-' || format[j] == '0'); ++j)
        (format[j] == '-' ? conv.left : conv.zero) = true;
    for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
        // Anything wider than the header can hold pads the same: cap it, past the
        // header by more than the widest number, so no digit moves into view.
        conv.width = std::min<std::size_t>(conv.width * 10 + static_cast<std::size_t>(format[j] - '0'),
                                           kHeaderMax + 16);
    if (j < format.size() && format[j] == 'l') ++j;
    if (j >= format.size()) return false;
    const char t = format[j];
    if (t != 'd' && t != 'i' && t != 'u' && t != 'x' && t != 'X') return false;
    conv.type = t;
    conv.end = j + 1;
    return true;
}

std::string render(const Conversion& conv, int value) {
    std::string sign;
    std::string digits;
    const auto bits = static_cast<std::uint32_t>(value);
    if (conv.type == 'd' || conv.type == 'i') {
        long long v = value;
        if (v < 0) {
            sign = "-";
            v = -v;
        }
        digits = std::to_string(v);
    } else if (conv.type == 'u') {
        digits = std::to_string(bits);
    } else {
        const char* hex = conv.type == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
        std::uint32_t v = bits;
        do {
            digits.insert(digits.begin(), hex[v & 15u]);
            v >>= 4;
        } while (v != 0);
    }
    const std::size_t body = sign.size() + digits.size();
    if (conv.width <= body) return sign + digits;
    const std::size_t pad = conv.width - body;
    if (conv.left) return sign + digits + std::string(pad, ' ');
    if (conv.zero) return sign + std::string(pad, '0') + digits;
    return std::string(pad, ' ') + sign + digits;
}

}  // namespace

std::string language_file_name(TextKind kind, int language) {
    const auto lang = static_cast<std::size_t>(language == 1 ? 1 : 0);
    std::string name = kLanguageFolders[lang];
    name += kPathSeparator;
    name += kKindFiles[static_cast<std::size_t>(kind)];
    return name;
}

std::string language_file(const std::string& root, TextKind kind, int language) {
    return data_path(root, language_file_name(kind, language));
}

std::string format_header(std::string_view format, int index) {
    format = text_of(format);
    std::string out;
    bool applied = false;
    std::size_t i = 0;
    while (i < format.size() && out.size() < kHeaderMax) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        Conversion conv;
        if (!applied && parse_conversion(format, i, conv)) {
            out += render(conv, index);
            i = conv.end;
            applied = true;
            continue;
        }
        // Any other conversion, or a second one, is shown as it stands.
        out += format[i++];
    }
    if (out.size() > kHeaderMax) out.resize(kHeaderMax);
    return out;
}

std::string numbered_entry(int index, std::string_view line) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d ", index);
    std::string entry = number;
    entry.append(text_of(line));
    return entry;
}

std::optional<std::string> load_language_text(const std::string& path, std::string& text) {
    text.clear();
    WholeFile file;
    if (load_whole_file(path, file)) {
        text.assign(reinterpret_cast<const char*>(file.data()), file.length);
        return std::nullopt;
    }
    std::error_code ec;
    const bool exists = std::filesystem::exists(std::filesystem::path(path), ec);
    return path + (exists || ec ? ": the file cannot be read" : ": the file does not exist");
}

void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format) {
    std::vector<std::string> faults;
    apply_language(form, root, current_index, header_format, faults);
    // Reported once the form is filled, so the message stands over a whole form.
    if (!faults.empty()) form.report_error(language_fault_message(faults));
}

std::string language_fault_message(const std::vector<std::string>& faults) {
    std::string message = "These language files could not be read; their texts are shown empty:";
    for (const std::string& fault : faults) message += "\n" + fault;
    return message;
}

void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format, std::vector<std::string>& faults) {
    // Each list keeps its entry index across the refill.
    std::array<int, kLastList - kFirstList + 1> remembered{};
    for (int id = kFirstList; id <= kLastList; ++id) {
        if (id == kNotAList) continue;
        remembered[static_cast<std::size_t>(id - kFirstList)] = form.selected_item(id);
        form.clear_items(id);
    }

    const int language = read_language(root);
    form.set_check(2001, 0);
    form.set_check(2002, 0);
    form.set_check(2001 + language, 1);
    form.set_language(language);

    auto load = [&](TextKind kind) {
        std::string bytes;
        if (auto fault = load_language_text(language_file(root, kind, language), bytes))
            faults.push_back(std::move(*fault));
        return bytes;
    };

    std::string line;
    {
        const std::string common_bytes = load(TextKind::Common);
        const std::string_view common = text_of(common_bytes);
        std::size_t offset = 0;
        for (int i = 0; i <= 132; ++i) {
            offset = next_line(common, offset, line);
            form.set_text(2000 + i, line);
        }
        header_format = form.get_text(2003, 120);
        form.set_text(2003, format_header(header_format, current_index));
        for (std::size_t k = 0; k < kOptionCounts.size(); ++k) {
            for (int j = 0; j < kOptionCounts[k]; ++j) {
                offset = next_line(common, offset, line);
                form.add_item(305 + static_cast<int>(k), line);
            }
        }
        for (int j = 0; j < 4; ++j) {
            offset = next_line(common, offset, line);
            form.add_item(320, line);
            form.add_item(321, line);
            form.add_item(322, line);
        }
    }

    const std::string spells_bytes = load(TextKind::Spells);
    const std::string_view spells = text_of(spells_bytes);
    const int spell_count = count_lines(spells);
    {
        std::size_t offset = 0;
        int i = 0;
        do {  // at least one entry even for an empty file
            offset = next_line(spells, offset, line);
            form.add_item(303, numbered_entry(i, line));
        } while (++i < spell_count);
    }

    const std::string monsters_bytes = load(TextKind::Monsters);
    const std::string_view monsters = text_of(monsters_bytes);
    std::string none_entry;
    std::size_t monsters_offset = next_line(monsters, 0, none_entry);
    for (int id : {317, 318, 319}) form.add_item(id, none_entry);
    {
        std::size_t offset = 0;
        int i = 0;
        do {
            offset = next_line(spells, offset, line);
            const std::string entry = numbered_entry(i, line);
            for (int id : {317, 318, 319}) form.add_item(id, entry);
        } while (++i < spell_count);
    }

    {
        const std::string plural = load(TextKind::Plural);
        form.set_text(5000, creature_line(text_of(plural), current_index));
    }
    {
        const std::string ability = load(TextKind::Ability);
        form.set_text(5001, creature_line(text_of(ability), current_index));
    }

    form.add_item(301, none_entry);
    form.add_item(323, none_entry);
    {
        const int creature_count = count_lines(monsters) - 1;
        int i = 0;
        do {
            monsters_offset = next_line(monsters, monsters_offset, line);
            form.add_item(300, line);
            const std::string entry = numbered_entry(i, line);
            form.add_item(301, entry);
            form.add_item(302, entry);
            form.add_item(323, entry);
        } while (++i < creature_count);
    }

    for (int id = kFirstList; id <= kLastList; ++id) {
        if (id == kNotAList) continue;
        form.select_item(id, remembered[static_cast<std::size_t>(id - kFirstList)]);
    }
    form.select_item(300, current_index);
}

}  // namespace ce
