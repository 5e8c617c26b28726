// The states clipboard works on the controls only: nothing reaches the data
// files until the user saves.
#include "form/clipboard.h"

#include "form/form.h"
#include "form/interlocks.h"
#include "store/merge.h"

namespace ce {

namespace {

enum class Take : std::uint8_t {
    Text,       // get_text at the row's width; set_text
    Check,      // get_check; set_check
    CheckByte,  // get_check, its low byte
    Radio,      // the first checked button of the group (0 when none); check_radio
    List,       // selected_item; select_item
    Number,     // the unsigned reading of get_number; set_number
    Name,       // list 300's edit part; pasted as the creature's entry of the list
};

// Controls first..last, one value each (a radio group: one value for the group).
struct ClipRow {
    Take take;
    int first;
    int last;
    int width = 0;       // Text and Name: the field's bytes, a zero included
    bool cranim = false; // also copied by "Paste CrAnim"
};

using T = Take;
namespace w = clip_width;

// Captured and pasted in this order.
constexpr ClipRow kClipRows[] = {
    {T::Text, 121, 121, w::kName121},
    {T::Text, 304, 304, w::kAmmo304},
    {T::Text, 122, 122, w::kSound122},
    {T::CheckByte, 2019, 2050},
    {T::Text, 151, 151, w::kEdit151},
    // An empty group is captured as empty, so a paste clears the group and Save
    // then keeps the target's stored radio byte.
    {T::Radio, 2008, 2017},
    {T::List, 301, 302},
    {T::Text, 212, 212, w::kShort},
    {T::List, 306, 306},
    {T::List, 305, 305},
    {T::List, 307, 307},
    {T::Check, 2058, 2063},
    {T::List, 308, 312},
    {T::List, 303, 303},
    {T::List, 314, 314},
    {T::List, 313, 313},
    {T::Text, 231, 231, w::kShort},
    {T::List, 315, 315},
    {T::Check, 2073, 2084},
    {T::Text, 245, 246, w::kShort},
    {T::Text, 247, 247, w::kEdit247},
    {T::Text, 248, 248, w::kShort},
    {T::Text, 250, 250, w::kShort},
    {T::Text, 249, 249, w::kShort},
    {T::Text, 251, 251, w::kEdit251},
    {T::List, 316, 316},
    {T::Check, 2099, 2099},
    {T::Text, 97, 97, w::kEdit97},
    {T::List, 317, 322},
    {T::Check, 2132, 2132},
    {T::Text, 98, 98, w::kShort},
    {T::Number, 70, 90},
    {T::Text, 91, 96, w::kCrAnim, true},
    {T::Text, 5002, 5013, w::kCrAnim, true},
    {T::Text, 5014, 5015, w::kCrAnimWide, true},
    {T::Text, 5016, 5019, w::kCrAnim, true},
    {T::Name, 300, 300, w::kName300},
    {T::Text, 5000, 5000, w::kPlural},
    {T::Text, 5001, 5001, w::kAbility},
};

constexpr std::size_t values_of(const ClipRow& row) {
    return row.take == Take::Radio ? 1 : static_cast<std::size_t>(row.last - row.first + 1);
}

constexpr std::size_t value_count() {
    std::size_t n = 0;
    for (const ClipRow& row : kClipRows) n += values_of(row);
    return n;
}

// The value of a radio group: its first checked button, or 0.
int checked_button(const Form& form, const ClipRow& row) {
    for (int id = row.first; id <= row.last; ++id)
        if ((form.get_check(id) & 0xFF) != 0) return id;
    return 0;
}

void capture_row(const Form& form, const ClipRow& row, ClipValue* out) {
    if (row.take == Take::Radio) {
        out->number = checked_button(form, row);
        return;
    }
    for (int id = row.first; id <= row.last; ++id, ++out) {
        switch (row.take) {
            case Take::Text:
            case Take::Name: out->text = form.get_text(id, row.width); break;
            case Take::Check: out->number = form.get_check(id); break;
            case Take::CheckByte: out->number = form.get_check(id) & 0xFF; break;
            case Take::List: out->number = form.selected_item(id); break;
            case Take::Number: out->number = static_cast<std::uint32_t>(form.get_number(id, false)); break;
            case Take::Radio: break;
        }
    }
}

void restore_row(Form& form, const ClipRow& row, int index, const ClipValue* in) {
    if (row.take == Take::Radio) {
        form.check_radio(row.first, row.last, static_cast<int>(in->number));
        return;
    }
    for (int id = row.first; id <= row.last; ++id, ++in) {
        switch (row.take) {
            case Take::Text: form.set_text(id, in->text); break;
            case Take::Check:
            case Take::CheckByte: form.set_check(id, static_cast<int>(in->number)); break;
            case Take::List: form.select_item(id, static_cast<int>(in->number)); break;
            case Take::Number:
                form.set_number(id, static_cast<std::int32_t>(static_cast<std::uint32_t>(in->number)), false);
                break;
            case Take::Name:
                form.delete_item(id, index);
                form.insert_item(id, index, in->text);
                form.select_item(id, index);
                break;
            case Take::Radio: break;
        }
    }
}

// Walks the rows (all of them, or the CrAnim ones) with each row's first value.
template <typename Value, typename Step>
void for_rows(Value* values, bool cranim_only, Step step) {
    std::size_t at = 0;
    for (const ClipRow& row : kClipRows) {
        if (!cranim_only || row.cranim) step(row, &values[at]);
        at += values_of(row);
    }
}

// Whether the clipboard (or its CrAnim part) carries every control of the row.
bool carries(const BindingRow& row, bool cranim_only) {
    if (row.kind == Conversion::None) return false;
    const auto carried = [&](int id) {
        for (const ClipRow& c : kClipRows)
            if (id >= c.first && id <= c.last && (!cranim_only || c.cranim)) return true;
        return false;
    };
    switch (row.kind) {
        case Conversion::CheckPair: return carried(row.control) && carried(row.control2);
        case Conversion::FlagWord:
        case Conversion::Radio:
            for (int id = row.control; id <= row.control2; ++id)
                if (!carried(id)) return false;
            return true;
        default: return carried(row.control);
    }
}

// For each row of the rows carried: `step(file index, row index, row)`.
template <typename Step>
void for_carried(bool cranim_only, Step step) {
    for (const DataFileInfo& info : data_files()) {
        const auto rows = binding_rows(info.id);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (carries(rows[i], cranim_only)) step(static_cast<std::size_t>(info.id), i, rows[i]);
    }
}

void capture_exact(const Form& form, const ShownCreature& shown, StatesClipboard& clip) {
    for (const DataFileInfo& info : data_files())
        clip.exact[static_cast<std::size_t>(info.id)].assign(binding_rows(info.id).size(), std::nullopt);
    if (shown.slot < 0) return;
    for_carried(false, [&](std::size_t f, std::size_t i, const BindingRow& row) {
        const ElementMemo* memo = shown.memos[f].empty() ? nullptr : &shown.memos[f][i];
        switch (element_edit(form, row, shown.files[f], shown.slot, memo)) {
            case ElementEdit::Kept: clip.exact[f][i] = element_bytes(row, shown.files[f], shown.slot); break;
            case ElementEdit::Pasted: clip.exact[f][i] = memo->pasted_bytes; break;
            case ElementEdit::Typed: break;
        }
    });
}

// What the controls hold right after a paste stands for the exact values the
// clipboard carries; elements it carries without one are the user's typing.
void note_paste(const Form& form, const StatesClipboard& clip, ShownCreature& shown, bool cranim_only) {
    if (shown.slot < 0) return;
    for_carried(cranim_only, [&](std::size_t f, std::size_t i, const BindingRow& row) {
        if (shown.memos[f].size() <= i) return;
        ElementMemo& memo = shown.memos[f][i];
        const bool exact = clip.exact[f].size() > i && clip.exact[f][i].has_value();
        memo.pasted = exact ? std::optional<std::string>(row_state(form, row)) : std::nullopt;
        memo.pasted_bytes = exact ? *clip.exact[f][i] : std::string();
    });
}

}  // namespace

StatesClipboard::StatesClipboard() : values(value_count()) {}

void capture_cranim(const Form& form, StatesClipboard& clip) {
    for_rows(clip.values.data(), true, [&](const ClipRow& row, ClipValue* v) { capture_row(form, row, v); });
}

void capture_states(int index, const Form& form, StatesClipboard& clip, const ShownCreature* shown) {
    (void)index;
    for_rows(clip.values.data(), false, [&](const ClipRow& row, ClipValue* v) { capture_row(form, row, v); });
    capture_exact(form, shown ? *shown : ShownCreature{}, clip);
}

void restore_cranim(Form& form, const StatesClipboard& clip, ShownCreature* shown) {
    for_rows(clip.values.data(), true, [&](const ClipRow& row, const ClipValue* v) { restore_row(form, row, 0, v); });
    if (shown) note_paste(form, clip, *shown, true);
}

void restore_states(int index, Form& form, const StatesClipboard& clip, ShownCreature* shown) {
    for_rows(clip.values.data(), false,
             [&](const ClipRow& row, const ClipValue* v) { restore_row(form, row, index, v); });
    // Before the interlocks: what they then empty is stored as they leave it.
    if (shown) {
        note_paste(form, clip, *shown, false);
        shown->typed_name.reset();  // list 300 now shows the name pasted
    }
    update_interlocks(index, form);
}

}  // namespace ce
