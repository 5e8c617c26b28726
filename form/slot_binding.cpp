// Showing and saving one slot by walking the binding table.
//
// Save keeps an element's stored bytes when every control of the element still
// shows what showing those bytes puts there (its reference), so a Save with
// nothing changed rewrites nothing: no float text cut to five characters, no
// truncated scaled value, no list position or check byte lost. Otherwise the
// element gets the value its control shows.
#include "form/slot_binding.h"

#include <array>
#include <limits>
#include <stdexcept>
#include <string>

#include "form/form.h"
#include "store/binding.h"
#include "store/merge.h"
#include "store/value_text.h"

namespace ce {
namespace {

void check_arguments(DataFile file, std::size_t size, int slot) {
    if (!is_slot(slot)) throw std::out_of_range(slot_fault("creature " + std::to_string(slot)).message());
    if (size < data_file(file).size)
        throw std::out_of_range(std::string(data_file(file).name) + ": buffer shorter than the file's size");
}

// --- what showing an element puts into its control ---------------------------

// The entry that showing selects; any position outside the list shows none.
int shown_selection(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const std::int64_t index = read_int(row, bytes, slot) + row.shift;
    if (index < 0 || index > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(index);
}

int shown_radio(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    return row.control + 1 + static_cast<int>(read_int(row, bytes, slot));
}

std::uint32_t flag_word(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    return static_cast<std::uint32_t>(read_int(row, bytes, slot));
}

// Bit 0 of the flag word that shows in check box 2019, for the byte at 40000.
int pair_partner_state(const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    const BindingRow* word = find_row(row.file, row.aux_offset, 0);
    return word != nullptr ? static_cast<int>(flag_word(*word, bytes, slot) & 1u) : 0;
}

}  // namespace

void show_element(Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    switch (row.kind) {
        case Conversion::Text:
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Float:
        case Conversion::Scaled: form.set_text(row.control, shown_element_text(row, bytes, slot)); break;
        case Conversion::Check:
        case Conversion::CheckPair:
        case Conversion::Bit: form.set_check(row.control, static_cast<int>(read_int(row, bytes, slot))); break;
        case Conversion::FlagWord: {
            const std::uint32_t word = flag_word(row, bytes, slot);
            for (int k = 0; k <= row.control2 - row.control; ++k)
                form.set_check(row.control + k, static_cast<int>((word >> k) & 1u));
            break;
        }
        case Conversion::Radio: form.check_radio(row.control, row.control2, shown_radio(row, bytes, slot)); break;
        case Conversion::List: form.select_item(row.control, shown_selection(row, bytes, slot)); break;
        case Conversion::None: break;
    }
}

namespace {

// --- does the form still show the element's reference? -----------------------

bool shows_text(const Form& form, int id, const std::string& text) {
    // One character more than the reference, so a longer text differs.
    return form.get_text(id, static_cast<int>(text.size()) + 2) == text;
}

bool shows_check(const Form& form, int id, std::int64_t state) {
    return form.get_check(id) == (state != 0 ? 1 : 0);
}

}  // namespace

bool shows_bytes(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot) {
    switch (row.kind) {
        case Conversion::Text:
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Float:
        case Conversion::Scaled: return shows_text(form, row.control, shown_element_text(row, bytes, slot));
        case Conversion::Check:
        case Conversion::Bit: return shows_check(form, row.control, read_int(row, bytes, slot));
        case Conversion::CheckPair:
            return shows_check(form, row.control, read_int(row, bytes, slot)) &&
                   shows_check(form, row.control2, pair_partner_state(row, bytes, slot));
        case Conversion::FlagWord: {
            const std::uint32_t word = flag_word(row, bytes, slot);
            for (int k = 0; k <= row.control2 - row.control; ++k)
                if (!shows_check(form, row.control + k, (word >> k) & 1u)) return false;
            return true;
        }
        case Conversion::Radio: {
            const int target = shown_radio(row, bytes, slot);
            for (int id = row.control; id <= row.control2; ++id)
                if (!shows_check(form, id, id == target)) return false;
            return true;
        }
        case Conversion::List: {
            // The form's current entry count decides whether the stored
            // position shows as a selection.
            int index = shown_selection(row, bytes, slot);
            if (index >= form.item_count(row.control)) index = -1;
            return form.selected_item(row.control) == index;
        }
        case Conversion::None: return true;
    }
    return true;
}

namespace {

// --- storing what the control shows -------------------------------------------

// Longer than any text a control of the form holds.
constexpr int kWholeText = 1 << 20;

bool holds_text(const BindingRow& row) {
    switch (row.kind) {
        case Conversion::Text:
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Float:
        case Conversion::Scaled: return true;
        default: return false;
    }
}

// The value a text element stores. A Save has refused any text it cannot
// read (check_slot); should one come here, the element keeps its bytes.
std::optional<FormValue> form_value(const Form& form, const BindingRow& row) {
    Result<FormValue> value = read_form_text(row, form.get_text(row.control, kWholeText));
    if (!value.ok()) return std::nullopt;
    return *value;
}

void store_element(const Form& form, const BindingRow& row, std::span<std::uint8_t> bytes, int slot) {
    switch (row.kind) {
        case Conversion::Text: write_text(row, bytes, slot, form.get_text(row.control, row.width)); break;
        case Conversion::Number:
        case Conversion::NumberPlusOne:
        case Conversion::Scaled:
            if (const auto value = form_value(form, row)) write_int(row, bytes, slot, value->integer);
            break;
        case Conversion::Check: write_int(row, bytes, slot, form.get_check(row.control)); break;
        case Conversion::CheckPair: {
            const int main_box = form.get_check(row.control);
            write_int(row, bytes, slot, main_box == 0 ? 0 : main_box + form.get_check(row.control2));
            break;
        }
        case Conversion::FlagWord: {
            std::uint32_t word = 0;
            for (int k = 0; k <= row.control2 - row.control; ++k)
                if (form.get_check(row.control + k) != 0) word |= 1u << k;
            write_int(row, bytes, slot, word);
            break;
        }
        case Conversion::Radio:
            // The first checked button from the group's start; none keeps the byte.
            for (int id = row.control; id <= row.control2; ++id) {
                if (form.get_check(id) != 0) {
                    write_int(row, bytes, slot, id - (row.control + 1));
                    break;
                }
            }
            break;
        case Conversion::List:
            write_int(row, bytes, slot, std::int64_t{form.selected_item(row.control)} - row.shift);
            break;
        case Conversion::Float:
            if (const auto value = form_value(form, row)) write_float(row, bytes, slot, value->real);
            break;
        case Conversion::Bit: write_int(row, bytes, slot, form.get_check(row.control) == 1 ? 1 : 0); break;
        case Conversion::None: break;  // no control: the stored bytes stay
    }
}

}  // namespace

void show_slot(Form& form, DataFile file, std::span<const std::uint8_t> bytes, int slot) {
    check_arguments(file, bytes.size(), slot);
    const std::span<const BindingRow> rows = binding_rows(file);
    for (std::uint16_t i : show_order(file)) show_element(form, rows[i], bytes, slot);
}

std::string row_state(const Form& form, const BindingRow& row) {
    if (holds_text(row)) return form.get_text(row.control, kWholeText);
    std::string state;
    const auto check = [&](int id) { state += static_cast<char>('0' + (form.get_check(id) & 0x3F)); };
    switch (row.kind) {
        case Conversion::Check:
        case Conversion::Bit: check(row.control); break;
        case Conversion::CheckPair:
            check(row.control);
            check(row.control2);
            break;
        case Conversion::FlagWord:
        case Conversion::Radio:
            for (int id = row.control; id <= row.control2; ++id) check(id);
            break;
        case Conversion::List: state = std::to_string(form.selected_item(row.control)); break;
        default: break;
    }
    return state;
}

ElementEdit element_edit(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot,
                         const ElementMemo* memo) {
    if (row.kind == Conversion::None) return ElementEdit::Kept;
    // A paste comes first: its value may show as the stored one does (a check
    // byte 5 where 1 is stored) and still be another.
    if (memo && memo->pasted && row_state(form, row) == *memo->pasted) return ElementEdit::Pasted;
    if (shows_bytes(form, row, bytes, slot)) return ElementEdit::Kept;
    if (memo && memo->kept && row_state(form, row) == *memo->kept) return ElementEdit::Kept;
    return ElementEdit::Typed;
}

bool element_unsaved(const Form& form, const BindingRow& row, std::span<const std::uint8_t> bytes, int slot,
                     const ElementMemo* memo) {
    if (element_edit(form, row, bytes, slot, memo) == ElementEdit::Kept) return false;
    return !(memo && memo->shown && row_state(form, row) == *memo->shown);
}

void save_slot(const Form& form, DataFile file, std::span<std::uint8_t> bytes, int slot, SlotMemos memos) {
    check_arguments(file, bytes.size(), slot);
    const std::span<const BindingRow> rows = binding_rows(file);
    // What the user did is judged on the bytes as stored before any element
    // changes (the byte at 40000 looks at the flag word that Save stores first).
    std::array<ElementEdit, 128> edits{};
    for (std::uint16_t i : save_order(file))
        edits[i] = element_edit(form, rows[i], bytes, slot, memos.empty() ? nullptr : &memos[i]);
    for (std::uint16_t i : save_order(file)) {
        if (edits[i] == ElementEdit::Typed) store_element(form, rows[i], bytes, slot);
        if (edits[i] == ElementEdit::Pasted) put_element_bytes(rows[i], bytes, slot, memos[i].pasted_bytes);
    }
}

void check_slot(const Form& form, DataFile file, std::span<const std::uint8_t> bytes, int slot, SlotMemos memos,
                std::vector<ValueFault>& faults) {
    check_arguments(file, bytes.size(), slot);
    const std::span<const BindingRow> rows = binding_rows(file);
    for (std::uint16_t i : save_order(file)) {
        const BindingRow& row = rows[i];
        if (!holds_text(row) ||
            element_edit(form, row, bytes, slot, memos.empty() ? nullptr : &memos[i]) != ElementEdit::Typed)
            continue;
        std::string text = form.get_text(row.control, kWholeText);
        if (Result<FormValue> value = read_form_text(row, text); !value.ok())
            faults.push_back({&row, std::move(text), value.fault().reason, value.fault().kind});
    }
}

}  // namespace ce
