#include "folder/field_value.h"

#include <algorithm>
#include <cstring>

#include "folder/number_forms.h"
#include "store/quoted_text.h"
#include "store/value_text.h"
#include "text/code_page.h"
#include "text/language.h"

namespace ce {
namespace {

// " (a whole number is written without thousands separators: 1000)" for
// "1,000", "1 000", "1'000".
std::string grouping_hint(std::string_view text) {
    std::string plain;
    for (char c : text)
        if (c != ',' && c != ' ' && c != '\'' && c != '.') plain += c;
    if (plain == text || !parse_integer(plain) || !is_number_like(text)) return {};
    return " (a whole number is written without thousands separators: " + plain + ")";
}

std::string empty_or_quoted(std::string_view text) {
    return text.empty() ? std::string("empty") : quoted_piece(text);
}

}  // namespace

std::string width_text(const Field& field) {
    const BindingRow& row = *field.row;
    if (row.kind == Conversion::Bit) return "a flag";
    return "a " + std::to_string(row.width) + "-byte " + (row.is_signed ? "signed" : "unsigned") + " value";
}

Result<std::int64_t> integer_value(const Field& field, CellType type, std::string_view text) {
    if (type == CellType::String || type == CellType::Other)
        return Fault(FaultKind::invalid, "",
                     "expected a number, found " + (type == CellType::String ? quoted_piece(text) : std::string(text)));
    const std::optional<std::int64_t> value = parse_integer(text);
    if (!value)
        return Fault(FaultKind::invalid, "",
                     empty_or_quoted(text) + " is not a whole number (" + width_text(field) + ")" + grouping_hint(text));
    const ValueRange range{field.min, field.max};
    if (!range.contains(*value))
        return Fault(FaultKind::out_of_range, "",
                     std::string(text) + " is outside " + range.text() + " (" + width_text(field) + ")");
    return element_value(range, *value);
}

Result<std::uint32_t> float_value(CellType type, std::string_view text) {
    if (type == CellType::Other) return Fault(FaultKind::invalid, "", "expected a number, found " + std::string(text));
    const std::optional<std::uint32_t> bits = parse_float_value(text);
    if (!bits) {
        std::string dotted(text);
        std::replace(dotted.begin(), dotted.end(), ',', '.');
        const bool comma = dotted != text && parse_float_value(dotted);
        return Fault(FaultKind::invalid, "",
                     empty_or_quoted(text) +
                         " is not a float (a decimal number within the float range, inf, -inf, nan or nan(0x...) "
                         "with the NaN's 32 bits)" +
                         (comma ? std::string(kDecimalCommaHint) : std::string()));
    }
    return *bits;
}

Result<AfterBytes> after_value(const Field& field, CellType type, std::string_view text) {
    AfterBytes after;
    std::optional<std::string> bytes;
    if (type != CellType::Number && type != CellType::Other) bytes = parse_hex_bytes(text, &after.dots);
    if (!bytes)
        return Fault(FaultKind::invalid, "",
                     empty_or_quoted(text) +
                         " is not the bytes of the field: two hexadecimal digits a byte, \"..\" for each byte of the "
                         "text and its zero (\"......00A1\")");
    if (bytes->size() > field.row->width)
        return Fault(FaultKind::out_of_range, "",
                     "gives " + std::to_string(bytes->size()) + " bytes; the field holds " +
                         std::to_string(field.row->width));
    after.bytes = std::move(*bytes);
    return after;
}

std::string after_text(std::size_t dotted, std::string_view bytes) {
    std::size_t last = bytes.size();
    while (last > 0 && bytes[last - 1] == 0) --last;
    if (last == 0) return {};
    return std::string(2 * dotted, '.') + hex_bytes(bytes.substr(0, last));
}

std::string after_text(const AfterBytes& after) {
    std::size_t last = after.bytes.size();
    while (last > 0 && (after.dots[last - 1] || after.bytes[last - 1] == 0)) --last;
    if (last == 0) return {};
    std::string text;
    for (std::size_t i = 0; i < last; ++i)
        text += after.dots[i] ? std::string("..") : hex_bytes(std::string_view(after.bytes).substr(i, 1));
    return text;
}

Result<std::string> text_value(const Field& field, CellType type, std::string_view utf8, int language) {
    if (type != CellType::String && type != CellType::Text)
        return Fault(FaultKind::invalid, "",
                     "expected a text in quotes, found " + message_piece(utf8));
    if (utf8.find('\0') != std::string_view::npos)
        return Fault(FaultKind::invalid, "", "the text holds a zero character, which cannot be stored");
    EncodeError e;
    std::optional<std::string> bytes = encode_code_page(utf8, language, &e);
    if (!bytes)
        return Fault(FaultKind::invalid, "",
                     quoted_piece(utf8) + ": " + e.message + " (the " + language_name(language) +
                         " files are Windows-" + std::to_string(code_page_of(language)) + ")");
    const bool line = field.kind == FieldKind::Line;
    const std::size_t max = line ? line_max(field) : field.row->width;
    if (line && as_one_line(*bytes) != *bytes)
        return Fault(FaultKind::invalid, "",
                     "the text " + quoted_piece(utf8) + " holds a line break, which a line cannot hold");
    if (bytes->size() > max)
        return Fault(FaultKind::out_of_range, "",
                     "the text " + quoted_piece(utf8) + " has " + std::to_string(bytes->size()) +
                         " characters; the field holds at most " + std::to_string(max));
    return std::move(*bytes);
}

std::string text_element(std::span<const std::uint8_t> current, std::string_view text, const AfterBytes* after) {
    const std::size_t width = current.size();
    std::string field(width, '\0');
    if (after)
        for (std::size_t i = 0; i < after->bytes.size() && i < width; ++i)
            field[i] = after->dots[i] ? static_cast<char>(current[i]) : after->bytes[i];
    std::copy_n(text.begin(), std::min(text.size(), width), field.begin());
    if (text.size() < width) field[text.size()] = '\0';
    return field;
}

}  // namespace ce
