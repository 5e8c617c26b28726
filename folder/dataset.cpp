#include "folder/dataset.h"

#include "folder/field_value.h"
#include "store/quoted_text.h"
#include "text/code_page.h"
#include "store/value_text.h"

namespace ce {

Dataset load_dataset(const std::string& root, int language, const FolderRead& how) {
    Dataset data;
    data.folder = load_folder(root, how);
    data.language = language < 0 ? data.folder.language : language;
    for (int k = 0; k < 5; ++k)
        data.texts[static_cast<std::size_t>(k)] =
            read_language_file(root, static_cast<TextKind>(k), data.language, how);
    return data;
}

std::string quote_text(std::string_view utf8) { return quoted_text(utf8); }

std::vector<Fault> unread_texts(const Dataset& data) {
    std::vector<Fault> faults;
    for (const LanguageText& t : data.texts)
        if (!t.present) faults.push_back(t.fault.ok() ? Fault(FaultKind::io, "", "") : t.fault.fault());
    return faults;
}

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
