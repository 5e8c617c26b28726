// The language file table and the creature header.
#include "text/language.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <utility>

#include "store/data_folder.h"
#include "store/settings.h"
#include "store/value_text.h"
#include "store/whole_file.h"
#include "text/lines.h"

namespace ce {

namespace {


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
        std::uint32_t v = bits;
        do {
            digits.insert(digits.begin(), hex_digit(v, conv.type == 'X'));
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

int creature_line_number(TextKind kind, int slot) { return kind == TextKind::Monsters ? slot + 1 : slot; }

std::size_t creature_line_max(TextKind kind) {
    return static_cast<std::size_t>(kind == TextKind::Ability ? kAbilityMax : kNameMax);
}

const char* language_name(int language) { return language == 1 ? "Russian" : "English"; }

std::string language_file_name(TextKind kind, int language) {
    const auto lang = static_cast<std::size_t>(language == 1 ? 1 : 0);
    std::string name = kLanguageFolders[lang];
    name += kPathSeparator;
    name += kLanguageFileNames[static_cast<std::size_t>(kind)];
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

Status load_language_text(const std::string& path, std::string& text) {
    text.clear();
    WholeFile file;
    if (Status fault = read_whole_file(path, file); !fault.ok()) return fault;
    text.assign(reinterpret_cast<const char*>(file.data()), file.length);
    return {};
}

}  // namespace ce
