// Filling every caption and list of the editor form from the language files.
#include "form/fill_language.h"

#include <array>
#include <span>
#include <string_view>
#include <utility>

#include "form/controls.h"
#include "form/form.h"
#include "store/settings.h"
#include "text/language.h"
#include "text/lines.h"
#include "text/list_sources.h"

namespace ce {

namespace {

using ctl::kFirstList;
using ctl::kLastList;
constexpr int kNotAList = ctl::kAmmoEdit;  // an edit among the lists' identifiers

// The offset of line n, read line by line from the start as the form reads it
// (past the end the reading starts again at line 0).
std::size_t offset_of_line(std::string_view text, int n) {
    std::size_t offset = 0;
    std::string skipped;
    for (int i = 0; i < n; ++i) offset = next_line(text, offset, skipped);
    return offset;
}

// Fills the lists of one source: first each list's none entry, then entry by
// entry into every list of the group, numbered where the list wants it.
void fill_group(Form& form, std::span<const ListSource> group, std::string_view text,
                const std::string& none_entry) {
    for (const ListSource& s : group)
        if (s.none_entry) form.add_item(s.list, none_entry);
    const ListSource& source = group.front();
    const int count = source_entry_count(source, count_lines(text));
    std::size_t offset = offset_of_line(text, source.first_line);
    std::string line;
    for (int k = 0; k < count; ++k) {
        offset = next_line(text, offset, line);
        const std::string numbered = numbered_entry(k, line);
        for (const ListSource& s : group) form.add_item(s.list, s.numbered ? numbered : line);
    }
}

// Fills every list whose entries come from `kind`, in the table's order.
void fill_lists(Form& form, TextKind kind, std::string_view text, const std::string& none_entry) {
    const std::span<const ListSource> sources = list_sources();
    for (std::size_t i = 0; i < sources.size();) {
        std::size_t end = i + 1;
        while (end < sources.size() && sources[end].joins_previous) ++end;
        if (sources[i].file == kind) fill_group(form, sources.subspan(i, end - i), text, none_entry);
        i = end;
    }
}

// Captions 2000..2132 from the first lines of the Common file, and the creature
// header made from the format that 2003 then holds.
void fill_captions(Form& form, std::string_view common, int current_index, std::string& header_format) {
    std::size_t offset = 0;
    std::string line;
    for (int i = 0; i < kCaptionLines; ++i) {
        offset = next_line(common, offset, line);
        form.set_text(ctl::kFirstCaption + i, line);
    }
    header_format = form.get_text(ctl::kHeader, 120);
    form.set_text(ctl::kHeader, format_header(header_format, current_index));
}

}  // namespace

void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format) {
    std::vector<Fault> faults;
    apply_language(form, root, current_index, header_format, faults);
    // Reported once the form is filled, so the message stands over a whole form.
    if (!faults.empty()) form.report_error(language_fault_message(form.language(), faults));
}

UserText language_fault_message(int language, const std::vector<Fault>& faults) {
    UserText message = say(language, MessageKey::language_files_unread);
    for (const Fault& fault : faults) message.add_words("\n").add_system(fault.message());
    return message;
}

void apply_language(Form& form, const std::string& root, int current_index,
                    std::string& header_format, std::vector<Fault>& faults) {
    // Each list keeps its entry index across the refill.
    std::array<int, kLastList - kFirstList + 1> remembered{};
    for (int id = kFirstList; id <= kLastList; ++id) {
        if (id == kNotAList) continue;
        remembered[static_cast<std::size_t>(id - kFirstList)] = form.selected_item(id);
        form.clear_items(id);
    }

    const int language = read_language(root);
    form.set_check(ctl::kEnglish, 0);
    form.set_check(ctl::kRussian, 0);
    form.set_check(language == 1 ? ctl::kRussian : ctl::kEnglish, 1);
    form.set_language(language);

    auto load = [&](TextKind kind) {
        std::string bytes;
        if (Status fault = load_language_text(language_file(root, kind, language), bytes); !fault.ok())
            faults.push_back(fault.fault());
        return bytes;
    };
    const std::string common = load(TextKind::Common);
    const std::string spells = load(TextKind::Spells);
    const std::string monsters = load(TextKind::Monsters);
    const std::string none_entry = line_at(text_of(monsters), 0);

    fill_captions(form, text_of(common), current_index, header_format);
    fill_lists(form, TextKind::Common, text_of(common), none_entry);
    fill_lists(form, TextKind::Spells, text_of(spells), none_entry);
    {
        const std::string plural = load(TextKind::Plural);
        form.set_text(ctl::kPlural, creature_line(text_of(plural), current_index));
    }
    {
        const std::string ability = load(TextKind::Ability);
        form.set_text(ctl::kAbility, creature_line(text_of(ability), current_index));
    }
    fill_lists(form, TextKind::Monsters, text_of(monsters), none_entry);

    for (int id = kFirstList; id <= kLastList; ++id) {
        if (id == kNotAList) continue;
        form.select_item(id, remembered[static_cast<std::size_t>(id - kFirstList)]);
    }
    form.select_item(ctl::kCreatureList, current_index);
}

}  // namespace ce
