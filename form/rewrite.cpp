// Rewriting the current creature's name, plural and ability lines on Save.
#include "form/rewrite.h"

#include <algorithm>
#include <optional>

#include "form/controls.h"
#include "form/form.h"
#include "store/journal.h"
#include "store/layouts.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "form/fill_language.h"
#include "text/language.h"
#include "text/lines.h"

namespace ce {

namespace {

void add_failure(std::vector<std::string>& failures, std::string failure) {
    if (std::find(failures.begin(), failures.end(), failure) == failures.end())
        failures.push_back(std::move(failure));
}

bool store(FileOps& ops, const std::string& path, const std::string& bytes,
           std::vector<std::string>& failures, FolderWrite* write, const std::string& read) {
    if (write != nullptr) {
        write->add(path, read, bytes);
        return true;
    }
    if (FileResult error = store_whole_file(ops, path, bytes.data(), bytes.size())) {
        add_failure(failures, error->message());
        return false;
    }
    return true;
}

// The file with line `line` replaced by `typed` and every line ending CR LF. A
// file too short for that line is extended with empty lines up to it, so the
// typed text is stored rather than dropped; with `extend_when_empty` false, an
// empty text has nothing to store and leaves a short file as it was. False when
// the file was not written.
bool rewrite_line(FileOps& ops, const std::string& path, int line, const std::string& typed,
                  bool extend_when_empty, std::vector<std::string>& failures, FolderWrite* write) {
    std::string bytes;
    if (auto fault = load_language_text(path, bytes)) {
        add_failure(failures, fault->message());
        return false;
    }
    const std::string out = replace_lines(bytes, {{line, typed}}, OtherLines::EndCrLf,
                                          extend_when_empty ? EmptyPastEnd::Extends : EmptyPastEnd::LeavesShort);
    return store(ops, path, out, failures, write, bytes);
}

// Monsters: line 0 is the none entry, so creature `index`'s name is line
// `index` + 1. Every other name is taken from the file as it is at Save time,
// not from list 300: names another program wrote since the list was filled are
// kept, and the refill after Save shows them.
bool rewrite_monsters(Form& form, FileOps& ops, const std::string& path, int index,
                      std::vector<std::string>& failures, FolderWrite* write) {
    const std::string typed = as_one_line(form.get_text(ctl::kCreatureList, kNameMax + 1));
    return rewrite_line(ops, path, index + 1, typed, true, failures, write);
}

// Plural and Ability: the file's lines with line `index` replaced.
bool rewrite_lines(Form& form, FileOps& ops, const std::string& path, int index, int control,
                   int capacity, std::vector<std::string>& failures, FolderWrite* write) {
    const std::string typed = as_one_line(form.get_text(control, capacity));
    return rewrite_line(ops, path, index, typed, false, failures, write);
}

// Longer than any text the three controls can hold.
constexpr int kWholeText = 1 << 20;

}  // namespace

void rewrite_creature_texts(Form& form, FileOps& ops, const std::string& root, int index,
                            std::string& header_format, std::vector<std::string>& failures,
                            FolderWrite* write) {
    // The typed texts as the form holds them: the refill below shows the files'
    // texts, so a text whose file could not be written is put back afterwards
    // and the next Save can still store it.
    const std::string typed_name = form.get_text(ctl::kCreatureList, kWholeText);
    const std::string typed_plural = form.get_text(ctl::kPlural, kWholeText);
    const std::string typed_ability = form.get_text(ctl::kAbility, kWholeText);
    bool name_stored = false, plural_stored = false, ability_stored = false;
    if (index < 0 || index >= kSlots) {
        add_failure(failures, "creature " + std::to_string(index) +
                                  ": not a creature slot (0.." + std::to_string(kSlots - 1) +
                                  "); no text was stored");
    } else {
        const int language = read_language(root);
        name_stored = rewrite_monsters(form, ops, language_file(root, TextKind::Monsters, language),
                                       index, failures, write);
        plural_stored = rewrite_lines(form, ops, language_file(root, TextKind::Plural, language),
                                      index, ctl::kPlural, kNameMax + 1, failures, write);
        ability_stored = rewrite_lines(form, ops, language_file(root, TextKind::Ability, language),
                                       index, ctl::kAbility, kAbilityMax + 1, failures, write);
    }

    if (write != nullptr) {
        // The whole Save in one step, before the refill reads the files back.
        if (auto error = write->commit().error) {
            add_failure(failures, std::move(*error));
            name_stored = plural_stored = ability_stored = false;
        }
    }

    // The refill's own read faults join the Save's list: one message for all.
    std::vector<std::string> read_faults;
    apply_language(form, root, index, header_format, read_faults);
    for (std::string& fault : read_faults) add_failure(failures, std::move(fault));
    form.select_item(ctl::kCreatureList, index);
    if (!name_stored) form.set_text(ctl::kCreatureList, typed_name);
    if (!plural_stored) form.set_text(ctl::kPlural, typed_plural);
    if (!ability_stored) form.set_text(ctl::kAbility, typed_ability);
}

}  // namespace ce
