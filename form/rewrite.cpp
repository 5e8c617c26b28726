// Rewriting the current creature's name, plural and ability lines on Save.
#include "form/rewrite.h"

#include "form/controls.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/shown.h"
#include "store/layouts.h"
#include "store/settings.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {

namespace {

int line_number(std::size_t line, int slot) { return creature_line_number(kCreatureLines[line], slot); }

}  // namespace

std::string stored_line(std::size_t line, std::string_view typed) {
    const std::size_t max = creature_line_max(kCreatureLines[line]);
    return as_one_line(typed.substr(0, std::min(typed.size(), max)));
}

LineChanges plan_creature_lines(const Form& form, const std::string& root, int slot,
                                const std::array<std::string, 3>& shown, bool take_yours) {
    LineChanges out;
    if (!is_slot(slot)) {
        out.faults.push_back(slot_fault("creature " + std::to_string(slot)).followed_by("; no text was stored"));
        return out;
    }
    const int language = read_language(root);
    for (std::size_t k = 0; k < kCreatureLines.size(); ++k) {
        const TextKind kind = kCreatureLines[k];
        const std::string path = language_file(root, kind, language);
        std::string bytes;
        if (Status fault = load_language_text(path, bytes); !fault.ok()) {
            out.faults.push_back(fault.fault());
            continue;
        }
        const int number = line_number(k, slot);
        const std::string disk = creature_line(text_of(bytes), number);
        const std::string typed = line_text(form, k);
        std::string line = disk;
        if (typed != shown[k]) {
            const std::string yours = stored_line(k, typed);
            // What the user saw, as a Save would have stored it.
            if (disk != yours && disk != stored_line(k, shown[k]) && disk != shown[k]) {
                out.conflicts.push_back({k, shown[k], yours, disk});
                if (take_yours) line = yours;
            } else {
                line = yours;
            }
        }
        // A Plural or Ability file too short for an empty line stays short.
        const bool extends = kind == TextKind::Monsters || !line.empty();
        std::string rebuilt = replace_lines(bytes, {{number, line}}, OtherLines::EndCrLf,
                                            extends ? EmptyPastEnd::Extends : EmptyPastEnd::LeavesShort);
        if (rebuilt != bytes) out.files.push_back({path, std::move(bytes), std::move(rebuilt)});
    }
    return out;
}

void refill_after_save(Form& form, const std::string& root, int slot, std::string& header_format,
                       std::vector<Fault>& faults) {
    apply_language(form, root, slot, header_format, faults);
    form.select_item(ctl::kCreatureList, slot);
}

}  // namespace ce
