// The editor's start-up checks and the routing of the form's events to the
// routines that act on them. Everything here is portable; the Win32 dialog
// procedure only turns window messages into these calls.
#include "form/editor.h"

#include "form/controls.h"
#include "form/catalogue.h"
#include "store/data_check.h"
#include "form/form.h"
#include "form/history_window.h"
#include "form/interlocks.h"
#include "form/mod_window.h"
#include "form/table_window.h"
#include "form/save.h"
#include "form/sentences.h"
#include "form/show.h"
#include "form/slot_binding.h"
#include "store/layouts.h"
#include "store/settings.h"
#include "store/file_ops.h"
#include "store/whole_file.h"
#include "form/fill_language.h"
#include "text/language.h"

namespace ce {

namespace {

// Command words (notification code in the high 16 bits, identifier in the low 16).
constexpr std::uint32_t kCmdClose = ctl::kClose;
constexpr std::uint32_t kCmdJump = ctl::kJump;
constexpr std::uint32_t kCmdSave = ctl::kSave;
constexpr std::uint32_t kCmdEnglish = ctl::kEnglish;
constexpr std::uint32_t kCmdRussian = ctl::kRussian;
constexpr std::uint32_t kCmdCopyAll = ctl::kCopyAllStates;
constexpr std::uint32_t kCmdPasteAll = ctl::kPasteAllStates;
constexpr std::uint32_t kCmdPasteCrAnim = ctl::kPasteCrAnim;
// A selection change of list 300, and text typed into its edit field.
constexpr std::uint32_t kCmdCreatureChosen = (1u << 16) | static_cast<std::uint32_t>(ctl::kCreatureList);
constexpr std::uint32_t kCmdNameTyped =
    (static_cast<std::uint32_t>(ctl::kEditChange) << 16) | static_cast<std::uint32_t>(ctl::kCreatureList);
// Longer than any name the edit field of list 300 holds.
constexpr int kWholeName = 1 << 20;

constexpr TextKind kLanguageKinds[] = {TextKind::Monsters, TextKind::Spells, TextKind::Common,
                                       TextKind::Plural, TextKind::Ability};

// Shows `slot` and makes it current only when the show went through; a refused
// show keeps the creature that the form still shows.
bool show_and_select(EditorState& state, Form& form, int slot) {
    if (!is_slot(slot)) return false;
    if (!show_creature(state, form, slot)) return false;
    state.current = slot;
    return true;
}

// Before the shown creature is left (another creature shown, the language
// switched, the editor closed) with changes the user has not saved, the user
// decides: save them (a Save that does not go through stays), drop them, or
// stay. True when the editor may go on.
bool may_leave(EditorState& state, Form& form, const UserText& question) {
    switch (ask_question(state, form, question)) {
        case Form::Answer::Yes: return save_creature(state, form);
        case Form::Answer::No: return true;
        case Form::Answer::Cancel: break;
    }
    return false;
}

bool may_leave_for(EditorState& state, Form& form, int next) {
    if (!has_unsaved_changes(state.shown, form)) return true;
    return may_leave(state, form,
                     say(form.language(), MessageKey::ask_save_before_showing, {{"slot", state.current}, {"next", next}}));
}

bool may_close(EditorState& state, Form& form) {
    if (!has_unsaved_changes(state.shown, form)) return true;
    return may_leave(state, form, say(form.language(), MessageKey::ask_save_before_closing, {{"slot", state.current}}));
}

void close_editor(EditorState& state, Form& form) {
    if (Status error = write_creature_index(file_ops(state), state.root, state.current); !error.ok()) {
        form.report_error(
            say(form.language(), MessageKey::index_not_stored, {{"reason", UserText::system(error.message())}}));
    }
}

// The field that list 301 shows (it is also the jump button's choice).
const BindingRow* jump_list_row() {
    for (const BindingRow& row : binding_rows(DataFile::Monsters))
        if (row.control == ctl::kJumpList) return &row;
    return nullptr;
}

void jump(EditorState& state, Form& form) {
    // Entry n of list 301 stands for creature n - 1; entry 0 is the none entry
    // and no selection gives -1: neither names a creature.
    const int n = form.selected_item(ctl::kJumpList);
    if (n - 1 <= -1) return;
    // What list 301 shows now is where to jump, not a value of the creature:
    // its field is judged, and saved, as stored. Staying, or a refused show,
    // leaves the list on the choice.
    const BindingRow* row = jump_list_row();
    if (row != nullptr && state.shown.slot >= 0)
        show_element(form, *row, state.shown.file(row->file), state.shown.slot);
    if (!may_leave_for(state, form, n - 1) || !show_and_select(state, form, n - 1))
        form.select_item(ctl::kJumpList, n);
}

// The creature's name as the form held it before list 300 moved to another
// entry: what the user typed into its edit field, or the shown creature's entry.
std::string name_before_move(const EditorState& state, const Form& form) {
    if (state.shown.typed_name) return *state.shown.typed_name;
    return form.item_text(ctl::kCreatureList, state.current).value_or(std::string());
}

bool unsaved_before_move(const EditorState& state, const Form& form) {
    if (state.shown.slot < 0) return false;
    const std::string name = name_before_move(state, form);
    return has_unsaved_changes(state.shown, form, &name);
}

// List 300 as it was before it moved on: on the shown creature, or showing the
// name the user typed (the list then has no selection).
void put_list_back(const EditorState& state, Form& form) {
    if (state.shown.typed_name) {
        form.select_item(ctl::kCreatureList, -1);
        form.set_text(ctl::kCreatureList, *state.shown.typed_name);
    } else {
        form.select_item(ctl::kCreatureList, state.current);
    }
}

void creature_chosen(EditorState& state, Form& form) {
    state.choice_pending = false;
    const int n = form.selected_item(ctl::kCreatureList);
    if (n == -1) return;
    if (unsaved_before_move(state, form)) {
        // The question stands over the form as it was: a Save stores it, and
        // staying leaves it so.
        put_list_back(state, form);
        const UserText question = say(form.language(), MessageKey::ask_save_before_showing,
                                      {{"slot", state.current}, {"next", n}});
        if (!may_leave(state, form, question)) {
            put_list_back(state, form);  // as it was, whatever reached it meanwhile
            return;
        }
    }
    // A refused show puts list 300 back on the creature that the form still shows.
    if (!show_and_select(state, form, n)) form.select_item(ctl::kCreatureList, state.current);
}

void switch_language(EditorState& state, Form& form, int language) {
    const Status written = write_language(file_ops(state), state.root, language);
    // Refilled from the language the file holds, so the radio buttons and the
    // texts agree with it even after a failed write.
    std::vector<Fault> faults;
    apply_language(form, state.root, state.current, state.header_format, faults);
    // The creature's lines are shown anew, in the language now chosen.
    remember_lines(state.shown, form);
    // One action, one message: a failed write and unreadable language files
    // together, worded in the language the form shows now.
    UserText message;
    if (!written.ok())
        message = say(form.language(), MessageKey::language_not_stored, {{"reason", UserText::system(written.message())}});
    if (!faults.empty()) {
        if (!message.empty()) message.add_words("\n\n");
        message += language_fault_message(form.language(), faults);
    }
    if (!message.empty()) form.report_error(message);
}

// A click on a language radio button: it is checked already. Staying checks
// the radio button of the language the form shows again.
void language_clicked(EditorState& state, Form& form) {
    const int wanted = form.get_check(ctl::kRussian);
    if (has_unsaved_changes(state.shown, form) &&
        !may_leave(state, form,
                   say(form.language(), MessageKey::ask_save_before_language, {{"slot", state.current}}))) {
        form.set_check(ctl::kEnglish, form.language() == 1 ? 0 : 1);
        form.set_check(ctl::kRussian, form.language() == 1 ? 1 : 0);
        return;
    }
    switch_language(state, form, wanted);
}

}  // namespace

FileOps& file_ops(const EditorState& state) {
    return state.files != nullptr ? *state.files : system_file_ops();
}

std::vector<Fault> startup_faults(const std::string& root) {
    std::vector<Fault> faults;
    for (const DataFileInfo& info : data_files()) {
        WholeFile file;
        if (Status fault = load_data_file(root, info, file); !fault.ok()) faults.push_back(fault.fault());
    }
    const int language = read_language(root);
    for (TextKind kind : kLanguageKinds) {
        const std::string path = language_file(root, kind, language);
        WholeFile file;
        if (Status fault = read_whole_file(path, file); !fault.ok()) {
            faults.push_back(fault.fault().at(language_file_name(kind, language)));
        }
    }
    return faults;
}

UserText startup_message(int language, const std::string& root, const std::vector<Fault>& faults) {
    return folder_faults(language, say(language, MessageKey::cannot_start), root, faults);
}

Form::Answer ask_question(EditorState& state, Form& form, const UserText& question) {
    struct Asking {
        EditorState& state;
        explicit Asking(EditorState& s) : state(s) {
            state.asking = true;
            ++state.questions;
        }
        ~Asking() { state.asking = false; }
        Asking(const Asking&) = delete;
        Asking& operator=(const Asking&) = delete;
    } asking(state);
    return form.ask(question);
}

void on_initialise(EditorState& state, Form& form) {
    apply_language(form, state.root, state.current, state.header_format);
    for (const LimitRow& row : limit_rows()) {
        if (row.limit != -1) form.set_text_limit(row.edit, row.limit);
        if (row.spin != -1) form.set_spin_range(row.spin, row.low, row.high);
    }
    show_and_select(state, form, read_creature_index(state.root));
}

CommandResult on_command(EditorState& state, Form& form, std::uint32_t wparam) {
    // Nothing acts under an open question: the box is modal, and what reaches
    // the form meanwhile was meant for before it or after.
    if (state.asking) return CommandResult::Continue;
    // A click or menu command acts on the creature that list 300 names.
    if (wparam < 0x10000u) show_pending_choice(state, form);
    // Whole-word comparison: other notifications of these controls do nothing.
    if (wparam < 0x10000u && has_click_reaction(static_cast<int>(wparam))) {
        react_to_click(static_cast<int>(wparam), form);
        return CommandResult::Continue;
    }
    switch (wparam) {
    case kCmdClose:
        if (!may_close(state, form)) break;
        close_editor(state, form);
        return CommandResult::Close;
    case kCmdJump:
        jump(state, form);
        break;
    case kCmdSave:
        save_creature(state, form);
        break;
    case kCmdCreatureChosen:
        creature_chosen(state, form);
        break;
    case kCmdNameTyped:
        state.shown.typed_name = form.get_text(ctl::kCreatureList, kWholeName);
        break;
    case kCmdEnglish:
    case kCmdRussian:
        language_clicked(state, form);
        break;
    case kCmdCopyAll:
        state.copied = true;
        capture_states(state.current, form, state.clipboard, &state.shown);
        form.open_language_list();
        break;
    case kCmdPasteAll:
        if (state.copied) restore_states(state.current, form, state.clipboard, &state.shown);
        break;
    case kCmdPasteCrAnim:
        if (state.copied) restore_cranim(form, state.clipboard, &state.shown);
        break;
    case ctl::kHistory:
        open_history(state, form);
        break;
    case ctl::kUndoSave:
        undo_last_save(state, form);
        break;
    case ctl::kApplyMod:
        apply_mod(state, form);
        break;
    case ctl::kSaveAsMod:
        save_as_mod(state, form);
        break;
    case ctl::kExportTable:
        export_table(state, form);
        break;
    case ctl::kImportTable:
        import_table(state, form);
        break;
    default:
        break;
    }
    return CommandResult::Continue;
}

void on_paint(EditorState& state, Form& form) {
    form.paint_portrait(state.choice_pending ? state.current : form.selected_item(ctl::kCreatureList));
    form.paint_decorations();
}

bool defer_creature_choice(EditorState& state, const Form& form) {
    // Once a step waits, nothing but list 300 has moved since it was judged;
    // whatever changed meanwhile is judged when the pending step is shown.
    if (!state.choice_pending && unsaved_before_move(state, form)) return false;
    state.choice_pending = true;
    return true;
}

void show_pending_choice(EditorState& state, Form& form) {
    if (state.choice_pending && !state.asking) creature_chosen(state, form);
}

}  // namespace ce
