#include "folder/field_facts.h"

#include "folder/captions.h"
#include "store/layouts.h"

namespace ce {

std::vector<std::string> field_captions(const Dataset& data, const std::vector<Field>& fields) {
    const Captions caps = data.captions();
    const CaptionOf caption_of = [&](int id) { return caps.caption(id); };
    std::vector<std::string> out;
    out.reserve(fields.size());
    for (const Field& f : fields) out.push_back(f.caption(caption_of));
    return out;
}

std::string field_place(const Field& field, int slot) {
    if (!field.row) return std::string();  // the caller names the language file
    const BindingRow& row = *field.row;
    std::string place = std::string(data_file(row.file).name) + "@" + std::to_string(element_position(row, slot));
    if (row.kind == Conversion::Bit) place += " bit " + std::to_string(slot & 7);
    return place;
}

}  // namespace ce
