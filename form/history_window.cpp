#include "form/history_window.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>
#include <string_view>

#include "folder/field_facts.h"
#include "folder/fields.h"
#include "form/controls.h"
#include "form/editor.h"
#include "form/fill_language.h"
#include "form/form.h"
#include "form/shown.h"
#include "form/show.h"
#include "mods/restore_plan.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/quoted_text.h"
#include "text/code_page.h"
#include "text/lines.h"

namespace ce {
namespace {

constexpr std::uint32_t kEntryChosen = (1u << 16) | static_cast<std::uint32_t>(ctl::kHistoryEntries);

// The number that `text` starts with after `prefix`, and what follows it.
std::optional<std::pair<std::int64_t, std::string_view>> number_after(std::string_view text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix) return std::nullopt;
    text.remove_prefix(prefix.size());
    std::int64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end == text.data()) return std::nullopt;
    return std::pair{n, text.substr(static_cast<std::size_t>(end - text.data()))};
}

// Who undid what: the entries that a later restore put back (a creature's, or the whole folder's).
struct Restored {
    EntryNumber entry = 0;
    std::optional<int> slot;
};
std::optional<Restored> restore_record(std::string_view made_by) {
    const auto entry = number_after(made_by, "restore of entry ");
    if (!entry) return std::nullopt;
    if (entry->second.empty()) return Restored{entry->first, std::nullopt};
    const auto slot = number_after(entry->second, " for creature ");
    if (!slot || !slot->second.empty()) return std::nullopt;
    return Restored{entry->first, static_cast<int>(slot->first)};
}

std::optional<int> save_record(std::string_view made_by) {
    const auto slot = number_after(made_by, "Save of creature ");
    if (!slot || slot->second != " in the editor") return std::nullopt;
    return static_cast<int>(slot->first);
}

std::string file_names(const HistoryEntry& e) {
    std::string out;
    for (const HistoryFile& f : e.files) {
        if (!out.empty()) out.append(", ");
        out.append(f.name);
    }
    return out;
}

// Restores to before `entry` (creature `slot` alone when given) once the user
// says yes to `question` (asked already when empty); the boxes stand over
// `asker`. True when a restore was written.
bool restore_to_before(EditorState& state, Form& editor, Form& asker, EntryNumber entry, std::optional<int> slot,
                       const UserText& question) {
    const int language = asker.language();
    if (!question.empty()) {
        UserText full;
        if (has_unsaved_changes(state.shown, editor)) {
            full = say(language, MessageKey::unsaved_dropped, {{"slot", state.current}});
            full.add_words("\n\n");
        }
        full += question;
        if (ask_question(state, asker, full) != Form::Answer::Yes) return false;
    }
    const auto failed = [&](const Fault& fault) {
        asker.report_error(say(language, MessageKey::restore_failed, {{"reason", UserText::system(fault.message())}}));
        return false;
    };
    FileOps& ops = file_ops(state);
    Result<Committed> written = Committed{};
    {
        // The history and the files it checks are read under the lock held to the commit.
        FolderLock lock;
        if (Status e = lock_for_write(ops, state.root, lock); !e.ok()) return failed(e.fault());
        const Result<RestorePlan> plan = plan_restore(state.root, entry, slot, false);
        if (!plan.ok()) return failed(plan.fault());
        written = commit_restore(ops, state.root, *plan, lock);
    }
    if (!written.ok()) return failed(written.fault());
    show_files_again(state, editor);
    if (written->entry == 0) asker.report_error(say(language, MessageKey::restore_nothing_changed, {{"entry", entry}}));
    return written->entry != 0;
}

}  // namespace

void show_files_again(EditorState& state, Form& form) {
    apply_language(form, state.root, state.current, state.header_format);
    show_creature(state, form, state.current);
}

std::string in_page(const std::string& utf8, int language) {
    if (std::optional<std::string> bytes = encode_code_page(utf8, language)) return *bytes;
    std::string out;
    for (char c : utf8) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
}

UserText entry_author(int language, const std::string& made_by) {
    if (const std::optional<int> slot = save_record(made_by)) return say(language, MessageKey::history_by_save, {{"slot", *slot}});
    if (const std::optional<Restored> r = restore_record(made_by)) {
        if (r->slot)
            return say(language, MessageKey::history_by_restore_creature, {{"slot", *r->slot}, {"entry", r->entry}});
        return say(language, MessageKey::history_by_restore, {{"entry", r->entry}});
    }
    if (const auto n = number_after(made_by, "import of "); n && (n->second == " slot" || n->second == " slots"))
        return say(language, MessageKey::history_by_import, {{"slots", n->first}});
    constexpr std::string_view apply = "apply of patch ";
    if (std::string_view(made_by).substr(0, apply.size()) == apply)
        return say(language, MessageKey::history_by_apply, {{"mod", UserText::system(shown_text(made_by.substr(apply.size())))}});
    return UserText::system(shown_text(made_by));
}

std::optional<EntryNumber> last_save_to_undo(const std::vector<HistoryEntry>& entries, int slot) {
    std::set<EntryNumber> undone;
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        if (const std::optional<Restored> r = restore_record(e->made_by)) {
            if (!r->slot || *r->slot == slot) undone.insert(r->entry);
            continue;
        }
        if (save_record(e->made_by) == slot && undone.count(e->number) == 0) return e->number;
    }
    return std::nullopt;
}

const WindowLayout& HistoryWindow::layout() const { return history_window(); }

void HistoryWindow::on_initialise(Form& window) { list_entries(window, 0); }

bool HistoryWindow::on_command(Form& window, std::uint32_t wparam) {
    switch (wparam) {
        case ctl::kClose: return true;
        case kEntryChosen: list_changes(window); break;
        case ctl::kRestoreCreature: restore(window, true); break;
        case ctl::kRestoreFolder: restore(window, false); break;
        default: break;
    }
    return false;
}

void HistoryWindow::list_entries(Form& window, int select) {
    const int language = window.language();
    window.clear_items(ctl::kHistoryEntries);
    entries_.clear();
    HistoryListing listing;
    if (Status e = read_history(state_.root, listing); !e.ok()) {
        window.add_item(ctl::kHistoryEntries,
                        say(language, MessageKey::history_unreadable, {{"reason", UserText::system(e.message())}}).flat());
    }
    entries_.assign(listing.entries.rbegin(), listing.entries.rend());
    for (const HistoryEntry& e : entries_) {
        const UserText by = entry_author(language, e.made_by);
        const std::string files = file_names(e);
        const UserText row = e.slots.empty()
            ? say(language, MessageKey::history_row, {{"number", e.number}, {"time", shown_text(e.time)}, {"by", by}, {"files", files}})
            : say(language, MessageKey::history_row_slots, {{"number", e.number}, {"time", shown_text(e.time)}, {"by", by},
                                                            {"slots", slot_ranges(e.slots)}, {"files", files}});
        window.add_item(ctl::kHistoryEntries, row.flat());
    }
    if (entries_.empty() && listing.damaged.empty())
        window.add_item(ctl::kHistoryEntries, message_text(language, MessageKey::history_empty));
    const bool any = !entries_.empty();
    window.select_item(ctl::kHistoryEntries, any ? select : -1);
    window.set_enabled(ctl::kRestoreCreature, any);
    window.set_enabled(ctl::kRestoreFolder, any);
    list_changes(window);
}

void HistoryWindow::list_changes(Form& window) {
    window.clear_items(ctl::kHistoryChanges);
    const int at = window.selected_item(ctl::kHistoryEntries);
    if (at < 0 || at >= static_cast<int>(entries_.size())) return;
    const auto index = static_cast<std::size_t>(at);
    const int language = window.language();
    const std::optional<EntryNumber> next = index == 0 ? std::nullopt : std::optional(entries_[index - 1].number);
    // The texts of both languages: a Save writes the lines of the language it was made in.
    std::array<Result<EntryFolders>, 2> folders{entry_folders(state_.root, entries_[index].number, next, language),
                                                entry_folders(state_.root, entries_[index].number, next, 1 - language)};
    for (const Result<EntryFolders>& f : folders) {
        if (f.ok()) continue;
        window.add_item(ctl::kHistoryChanges,
                        say(language, MessageKey::history_unreadable, {{"reason", UserText::system(f.fault().message())}}).flat());
        return;
    }
    const std::vector<Field> fields = make_fields(true);
    const std::vector<std::string> captions = field_captions(folders[0]->after, fields);
    const LanguageText& names = folders[0]->after.text(TextKind::Monsters);
    struct Row {
        FieldDifference change;
        bool other_language;
    };
    std::vector<Row> rows;
    for (FieldDifference& c : field_differences(folders[0]->before, folders[0]->after, fields)) rows.push_back({std::move(c), false});
    for (FieldDifference& c : field_differences(folders[1]->before, folders[1]->after, fields))
        if (fields[static_cast<std::size_t>(c.field)].kind == FieldKind::Line) rows.push_back({std::move(c), true});
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.change.slot < b.change.slot; });
    const MessageKey other = language == 1 ? MessageKey::history_in_english : MessageKey::history_in_russian;
    for (const Row& row : rows) {
        const FieldDifference& c = row.change;
        const std::string name(names.line(creature_line_number(TextKind::Monsters, c.slot)));
        std::string caption = in_page(captions[static_cast<std::size_t>(c.field)], language);
        if (row.other_language) caption = say(language, other, {{"caption", caption}}).flat();
        window.add_item(ctl::kHistoryChanges,
                        say(language, MessageKey::history_change_row,
                            {{"slot", c.slot}, {"name", name}, {"caption", caption}, {"before", in_page(c.before, language)},
                             {"after", in_page(c.after, language)}}).flat());
    }
}

void HistoryWindow::restore(Form& window, bool creature) {
    const int at = window.selected_item(ctl::kHistoryEntries);
    if (at < 0 || at >= static_cast<int>(entries_.size())) return;
    const EntryNumber entry = entries_[static_cast<std::size_t>(at)].number;
    const int language = window.language();
    const UserText question = creature
        ? say(language, MessageKey::ask_restore_creature, {{"slot", state_.current}, {"entry", entry}})
        : say(language, MessageKey::ask_restore_folder, {{"entry", entry}});
    const bool written = restore_to_before(state_, editor_, window, entry,
                                           creature ? std::optional(state_.current) : std::nullopt, question);
    // The restore is the newest entry now.
    list_entries(window, written ? 0 : at);
}

void open_history(EditorState& state, Form& form) {
    HistoryWindow window(state, form);
    form.open_window(window);
}

void undo_last_save(EditorState& state, Form& form) {
    const int language = form.language();
    const int c = state.current;
    std::vector<HistoryEntry> entries;
    if (Status e = list_history(state.root, entries); !e.ok()) {
        form.report_error(say(language, MessageKey::history_unreadable, {{"reason", UserText::system(e.message())}}));
        return;
    }
    const std::optional<EntryNumber> save = last_save_to_undo(entries, c);
    if (!save) {
        form.report_error(say(language, MessageKey::nothing_to_undo, {{"slot", c}}));
        return;
    }
    // Unsaved changes are said once, in the undo's own question.
    const bool unsaved = has_unsaved_changes(state.shown, form);
    const UserText question = say(language, unsaved ? MessageKey::ask_undo_over_changes : MessageKey::ask_undo_save,
                                  {{"slot", c}, {"entry", *save}});
    if (ask_question(state, form, question) != Form::Answer::Yes) return;
    restore_to_before(state, form, form, *save, c, UserText());
}

}  // namespace ce
