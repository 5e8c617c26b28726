// The editor's start-up checks and the routing of the form's events to the
// routines that act on them. Everything here is portable; the Win32 dialog
// procedure only turns window messages into these calls.
#include "form/editor.h"

#include "form/controls.h"
#include "form/catalogue.h"
#include "store/data_check.h"
#include "form/form.h"
#include "form/interlocks.h"
#include "form/save.h"
#include "form/show.h"
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
// A selection change of list 300.
constexpr std::uint32_t kCmdCreatureChosen = (1u << 16) | static_cast<std::uint32_t>(ctl::kCreatureList);

constexpr TextKind kLanguageKinds[] = {TextKind::Monsters, TextKind::Spells, TextKind::Common,
                                       TextKind::Plural, TextKind::Ability};

FileOps& file_ops(const EditorState& state) {
    return state.files != nullptr ? *state.files : system_file_ops();
}

// Shows `slot` and makes it current only when the show went through; a refused
// show keeps the creature that the form still shows.
bool show_and_select(EditorState& state, Form& form, int slot) {
    if (!is_slot(slot)) return false;
    if (!show_creature(state, form, slot)) return false;
    state.current = slot;
    return true;
}

// Closing with changes the user has not saved asks first: save them (a Save
// that does not go through keeps the editor open), drop them, or stay.
bool may_close(EditorState& state, Form& form) {
    if (!has_unsaved_changes(state.shown, form)) return true;
    switch (form.ask("Creature " + std::to_string(state.current) +
                     " has changes that are not saved. Save them before closing?")) {
        case Form::Answer::Yes: return save_creature(state, form);
        case Form::Answer::No: return true;
        case Form::Answer::Cancel: break;
    }
    return false;
}

void close_editor(EditorState& state, Form& form) {
    if (Status error = write_creature_index(file_ops(state), state.root, state.current); !error.ok()) {
        form.report_error("The current creature could not be stored in the settings file:\n    " +
                          error.message());
    }
}

void jump(EditorState& state, Form& form) {
    // Entry n of list 301 stands for creature n - 1; entry 0 is the none entry
    // and no selection gives -1: neither names a creature.
    const int n = form.selected_item(ctl::kJumpList);
    if (n - 1 <= -1) return;
    show_and_select(state, form, n - 1);
}

void creature_chosen(EditorState& state, Form& form) {
    state.choice_pending = false;
    const int n = form.selected_item(ctl::kCreatureList);
    if (n == -1) return;
    // A refused show puts list 300 back on the creature that the form still shows.
    if (!show_and_select(state, form, n)) form.select_item(ctl::kCreatureList, state.current);
}

void switch_language(EditorState& state, Form& form) {
    std::string message;
    if (Status error = write_language(file_ops(state), state.root, form.get_check(ctl::kRussian)); !error.ok())
        message = "The language choice could not be stored in the settings file:\n    " + error.message();
    // Refilled from the language the file holds, so the radio buttons and the
    // texts agree with it even after a failed write.
    std::vector<std::string> faults;
    apply_language(form, state.root, state.current, state.header_format, faults);
    // The creature's lines are shown anew, in the language now chosen.
    remember_lines(state.shown, form);
    // One action, one message: a failed write and unreadable language files together.
    if (!faults.empty()) message += (message.empty() ? "" : "\n\n") + language_fault_message(faults);
    if (!message.empty()) form.report_error(message);
}

}  // namespace

std::vector<std::string> startup_faults(const std::string& root) {
    std::vector<std::string> faults;
    for (const DataFileInfo& info : data_files()) {
        WholeFile file;
        if (Status fault = load_data_file(root, info, file); !fault.ok()) faults.push_back(fault.message());
    }
    const int language = read_language(root);
    for (TextKind kind : kLanguageKinds) {
        const std::string path = language_file(root, kind, language);
        WholeFile file;
        if (Status fault = read_whole_file(path, file); !fault.ok()) {
            faults.push_back(fault.fault().at(language_file_name(kind, language)).message());
        }
    }
    return faults;
}

std::string startup_message(const std::string& root, const std::vector<std::string>& faults) {
    return fault_message("The editor cannot start: files it needs cannot be read or are too short", root,
                         faults);
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
    case kCmdEnglish:
    case kCmdRussian:
        switch_language(state, form);
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
    default:
        break;
    }
    return CommandResult::Continue;
}

void on_paint(EditorState& state, Form& form) {
    form.paint_portrait(state.choice_pending ? state.current : form.selected_item(ctl::kCreatureList));
    form.paint_decorations();
}

void defer_creature_choice(EditorState& state) { state.choice_pending = true; }

void show_pending_choice(EditorState& state, Form& form) {
    if (state.choice_pending) creature_chosen(state, form);
}

}  // namespace ce
