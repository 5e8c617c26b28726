#include "cli/dataset.h"

#include <ostream>

#include "cli/libraries.h"

#if CE_CLI_LIBRARIES
#include <nlohmann/json.hpp>
#endif

#include "cli/field_value.h"
#include "text/code_page.h"
#include "store/value_text.h"

namespace ce {

Dataset load_dataset(const std::string& root, int language) {
    Dataset data;
    data.folder = load_folder(root);
    data.language = language < 0 ? data.folder.language : language;
    for (int k = 0; k < 5; ++k)
        data.texts[static_cast<std::size_t>(k)] =
            read_language_file(root, static_cast<TextKind>(k), data.language);
    return data;
}

#if CE_CLI_LIBRARIES
std::string quote_text(std::string_view utf8) {
    const std::string dumped =
        nlohmann::json(std::string(utf8)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // The C1 controls (U+0080..U+009F) escaped as well as the C0 ones: a
    // terminal may act on them, and the escape is the same JSON text.
    std::string out;
    out.reserve(dumped.size());
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const auto b = static_cast<unsigned char>(dumped[i]);
        const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
        if (b == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += "\\u00";
            out += kHex[next >> 4];
            out += kHex[next & 0xF];
            ++i;
        } else {
            out += dumped[i];
        }
    }
    return out;
}
#else
std::string quote_text(std::string_view utf8) {
    std::string s(1, '"');
    s.append(utf8);
    s += '"';
    return s;
}
#endif

void warn_unread_texts(const Dataset& data, const char* command, std::ostream& err) {
    for (const LanguageText& t : data.texts)
        if (!t.present) err << "creatures " << command << ": " << t.fault->message() << "; read as empty\n";
}

const char* language_name(int language) { return language == 1 ? "Russian" : "English"; }

std::string stored_bytes(const Dataset& data, const Field& field, int slot) {
    if (field.kind == FieldKind::Line)
        return std::string(data.text(field.text_kind).line(line_of(field, slot)));
    const BindingRow& row = *field.row;
    const auto& bytes = data.folder.file(row.file).bytes;
    const std::size_t start = element_position(row, slot);
    std::size_t end = start;
    while (end < start + row.width && bytes[end] != 0) ++end;
    return std::string(reinterpret_cast<const char*>(bytes.data() + start), end - start);
}

std::string bytes_after_text(const Dataset& data, const Field& field, int slot) {
    const BindingRow& row = *field.row;
    const auto& bytes = data.folder.file(row.file).bytes;
    const std::size_t start = element_position(row, slot), end = start + row.width;
    std::size_t zero = start;
    while (zero < end && bytes[zero] != 0) ++zero;
    if (zero == end) return {};
    return after_text(zero + 1 - start,
                      std::string_view(reinterpret_cast<const char*>(bytes.data() + zero + 1), end - (zero + 1)));
}

std::uint32_t float_element(const Dataset& data, const Field& field, int slot) {
    return static_cast<std::uint32_t>(read_int(*field.row, data.folder.file(field.row->file).view(), slot));
}

std::string export_value(const Dataset& data, const Field& field, int slot) {
    switch (field.kind) {
        case FieldKind::Line:
        case FieldKind::Text:
            return decode_code_page(stored_bytes(data, field, slot), data.language);
        case FieldKind::Float:
            return float_value_text(float_element(data, field, slot));
        case FieldKind::After:
            return bytes_after_text(data, field, slot);
        case FieldKind::Integer:
            break;
    }
    return std::to_string(read_int(*field.row, data.folder.file(field.row->file).view(), slot));
}

}  // namespace ce
