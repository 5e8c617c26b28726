// Showing one creature: every data file is read afresh and the slot's values go
// into their controls in a fixed order, followed by the plural and ability lines
// and the interlocks.
#include "form/show.h"

#include <array>
#include <span>
#include <string>
#include <vector>

#include "store/data_check.h"
#include "form/controls.h"
#include "form/editor.h"
#include "form/form.h"
#include "form/interlocks.h"
#include "form/messages.h"
#include "form/sentences.h"
#include "form/shown.h"
#include "form/slot_binding.h"
#include "store/settings.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {

namespace {

// The order in which a show reads the data files (side files: Demonology before
// Firewall, unlike the order Save writes them in).
constexpr std::array<DataFile, 6> kReadOrder = {
    DataFile::Monsters,   DataFile::Ammo,     DataFile::ImposedSpells,
    DataFile::Demonology, DataFile::Firewall, DataFile::DefenseBonus,
};

// Line `slot` of a language file, or "" (and a fault) when the file cannot be read.
std::string language_line(const std::string& root, TextKind kind, int language, int slot,
                          std::vector<Fault>& faults) {
    const std::string path = language_file(root, kind, language);
    WholeFile file;
    if (Status fault = read_whole_file(path, file); !fault.ok()) {
        faults.push_back(fault.fault().at(language_file_name(kind, language)));
        return {};
    }
    const std::string_view bytes(reinterpret_cast<const char*>(file.data()), file.block.size());
    return creature_line(text_of(bytes), slot);
}

}  // namespace

void show_creature_values(Form& form, const CreatureSource& source, int slot) {
    const auto file = [&](DataFile id) { return source.files[static_cast<std::size_t>(id)]; };
    if (source.header_format) form.set_text(ctl::kHeader, format_header(*source.header_format, slot));
    if (source.portrait) form.paint_portrait(slot);
    show_slot(form, DataFile::Monsters, file(DataFile::Monsters), slot);
    form.select_item(ctl::kCreatureList, slot);
    if (source.plural) form.set_text(ctl::kPlural, *source.plural);
    if (source.ability) form.set_text(ctl::kAbility, *source.ability);
    for (std::size_t i = 1; i < kReadOrder.size(); ++i) show_slot(form, kReadOrder[i], file(kReadOrder[i]), slot);
    if (source.interlocks) update_interlocks(slot, form);
}

bool show_creature(EditorState& state, Form& form, int slot) {
    if (!is_slot(slot)) {
        form.report_error(say(form.language(), MessageKey::creature_not_a_slot,
                              {{"slot", slot}, {"first", 0}, {"last", kSlots - 1}}));
        return false;
    }

    // Every data file is read and checked before the form is touched, so a
    // refused show leaves the form exactly as it was.
    std::array<WholeFile, kDataFileCount> files;
    std::vector<Fault> faults;
    for (DataFile id : kReadOrder) {
        if (Status fault = load_data_file(state.root, data_file(id), files[static_cast<std::size_t>(id)]); !fault.ok()) {
            faults.push_back(fault.fault());
        }
    }
    if (!faults.empty()) {
        const int language = form.language();
        form.report_error(folder_faults(language, say(language, MessageKey::creature_not_shown, {{"slot", slot}}),
                                        state.root, faults));
        return false;
    }

    const int language = read_language(state.root);
    std::vector<Fault> missing;
    const std::string plural = language_line(state.root, TextKind::Plural, language, slot, missing);
    const std::string ability = language_line(state.root, TextKind::Ability, language, slot, missing);

    CreatureSource source{.files = {}, .header_format = &state.header_format, .plural = &plural, .ability = &ability,
                          .portrait = true, .interlocks = true};
    for (std::size_t i = 0; i < kDataFileCount; ++i) source.files[i] = files[i].block;
    show_creature_values(form, source, slot);
    std::array<std::vector<std::uint8_t>, kDataFileCount> shown;
    for (std::size_t i = 0; i < kDataFileCount; ++i) shown[i] = std::move(files[i].block);
    remember_show(state.shown, form, slot, std::move(shown));

    if (!missing.empty()) {
        const int shown_language = form.language();
        form.report_error(folder_faults(shown_language, say(shown_language, MessageKey::language_files_missing_on_show),
                                        state.root, missing));
    }
    return true;
}

}  // namespace ce
