// Rewriting the current creature's name, plural and ability lines on Save.
#include "form/rewrite.h"

#include <algorithm>
#include <optional>
#include <string_view>

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

// What follows the text's terminating zero in the file, if anything: the
// editor never shows it, so it keeps it as the file held it.
std::string_view tail_of(const std::string& bytes) {
    return std::string_view(bytes).substr(text_of(bytes).size());
}

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
    if (auto error = store_whole_file(ops, path, bytes.data(), bytes.size())) {
        // The store names the file itself in most of its messages.
        add_failure(failures, error->starts_with(path) ? *error : path + ": " + *error);
        return false;
    }
    return true;
}

// Monsters: the none entry from the file, then the names as list 300 holds
// them with the typed name at `index`. False when the file was not written.
bool rewrite_monsters(Form& form, FileOps& ops, const std::string& path, int index,
                      std::vector<std::string>& failures, FolderWrite* write) {
    std::string bytes;
    if (auto fault = load_language_text(path, bytes)) {
        add_failure(failures, std::move(*fault));
        return false;
    }
    const std::string_view text = text_of(bytes);
    // Names the file holds beyond the list (it changed outside the editor, or
    // was missing when the list was filled) are kept rather than dropped.
    const int file_names = count_lines(text) - 1;

    std::string out;
    out.reserve(bytes.size() + 128);
    std::string line;
    std::size_t offset = next_line(text, 0, line);
    append_line(out, line);
    for (int k = 0;; ++k) {
        std::string file_name;
        if (k < file_names) offset = next_line(text, offset, file_name);
        if (k == index) {
            append_line(out, as_one_line(form.get_text(ctl::kCreatureList, kNameMax + 1)));
        } else if (auto entry = form.item_text(ctl::kCreatureList, k)) {
            append_line(out, as_one_line(*entry));
        } else if (k < file_names) {
            append_line(out, file_name);
        } else if (k < index) {
            append_line(out, "");  // too short for the name: extended up to it
        } else {
            break;
        }
    }
    out.append(tail_of(bytes));
    return store(ops, path, out, failures, write, bytes);
}

// Plural and Ability: the file's lines with line `index` replaced. False when
// the file was not written.
bool rewrite_lines(Form& form, FileOps& ops, const std::string& path, int index, int control,
                   int capacity, std::vector<std::string>& failures, FolderWrite* write) {
    std::string bytes;
    if (auto fault = load_language_text(path, bytes)) {
        add_failure(failures, std::move(*fault));
        return false;
    }
    const std::string_view text = text_of(bytes);
    const int count = count_lines(text);
    const std::string typed = as_one_line(form.get_text(control, capacity));
    // A file too short for the creature's line is extended with empty lines up
    // to it, so the typed text is stored rather than dropped; an empty text has
    // nothing to store and leaves a short file as it was.
    const int total = typed.empty() ? count : std::max(count, index + 1);

    std::string out;
    out.reserve(bytes.size() + static_cast<std::size_t>(capacity) + 2 * static_cast<std::size_t>(total));
    std::string line;
    std::size_t offset = 0;
    for (int i = 0; i < total; ++i) {
        if (i < count)
            offset = next_line(text, offset, line);
        else
            line.clear();
        if (i == index) line = typed;
        append_line(out, line);
    }
    out.append(tail_of(bytes));
    return store(ops, path, out, failures, write, bytes);
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
