#include "app/editor_shell.h"

#include <commctrl.h>

#include <exception>
#include <optional>
#include <string>

#include "app/choice_field.h"
#include "app/dialog_template.h"
#include "form/controls.h"
#include "picture/draw_win32.h"
#include "form/messages.h"
#include "form/sentences.h"
#include "store/file_ops.h"
#include "store/journal.h"
#include "store/journal_recovery.h"
#include "store/settings.h"

namespace ce {
namespace {

constexpr int kIcon = 500;
// Shows the creature of a selection change that a held key left unshown.
constexpr UINT_PTR kChoiceTimer = 1;
constexpr WPARAM kCreatureChosen = MAKEWPARAM(300, CBN_SELCHANGE);

// The system edit procedure the filter passes on to. A window procedure has no
// context of its own, so this one value is process-wide, set once at
// registration before any NewEdit control exists.
WNDPROC& system_edit_proc() {
    static WNDPROC proc = nullptr;
    return proc;
}

// The editor dialog of this thread, while it runs: Ctrl+Z reaches it from any of its controls.
HWND& editor_dialog() {
    static HWND dialog = nullptr;
    return dialog;
}

// Ctrl+Z in the editor form (UndoKey).
LRESULT CALLBACK undo_key_hook(int code, WPARAM wparam, LPARAM lparam) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (code == MSGF_DIALOGBOX && msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == 'Z' &&
        GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0 &&
        editor_dialog() != nullptr && GetAncestor(msg->hwnd, GA_ROOT) == editor_dialog()) {
        SendMessageW(editor_dialog(), WM_COMMAND, MAKEWPARAM(ctl::kUndoSave, 0), 0);
        return 1;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

EditorSession* session_of(HWND dialog) {
    return reinterpret_cast<EditorSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// No exception crosses the window procedure: report it and carry on. While
// its message box is open, the same failure repeating (a paint under the box)
// is not shown again on top of it.
void report_exception(HWND dialog, EditorSession* session, const char* what) {
    if (session != nullptr && session->reporting) return;
    if (session != nullptr) session->reporting = true;
    const int language = session != nullptr && session->form != nullptr ? session->form->language() : 0;
    const UserText text = what != nullptr
                              ? say(language, MessageKey::unexpected_error, {{"what", UserText::system(what)}})
                              : say(language, MessageKey::unexpected_unknown_error);
    show_error(dialog, user_text_wide(text, language), language);
    if (session != nullptr) session->reporting = false;
}

// What one event changes on the form is drawn in one pass when it ends.
class FormUpdate {
public:
    // `whole`: nothing is drawn before the end (see Win32Form::hold_drawing).
    explicit FormUpdate(Win32Form& form, bool whole = false) : form_(form) {
        form_.begin_update();
        if (whole) form_.hold_drawing();
    }
    ~FormUpdate() { form_.end_update(); }
    FormUpdate(const FormUpdate&) = delete;
    FormUpdate& operator=(const FormUpdate&) = delete;

private:
    Win32Form& form_;
};

void on_init_dialog(HWND dialog, EditorSession& session) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kIcon), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    session.form = std::make_unique<Win32Form>(dialog);
    editor_dialog() = dialog;
    session.choice_field = edit_field_of(session.form->control(300));
    watch_choice_field(session.choice_field, session.state);
    const FormUpdate update(*session.form);
    on_initialise(session.state, *session.form);
}

// A key press that the thread has not handled yet: more steps of a held key.
bool key_waiting() {
    MSG message;
    return PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

void handle(HWND dialog, UINT message, WPARAM wparam, EditorSession& session) {
    switch (message) {
        case WM_COMMAND: {
            // While keys wait, showing this step would only be overtaken by
            // the next: the newest is shown, by its own selection change or,
            // when the keys end without one, by the timer.
            if (wparam == kCreatureChosen && key_waiting() && defer_creature_choice(session.state, *session.form)) {
                SetTimer(dialog, kChoiceTimer, USER_TIMER_MINIMUM, nullptr);
                break;
            }
            const unsigned questions = session.state.questions;
            CommandResult result;
            {
                // Only what the routing acts on changes the form; not the
                // notifications of every keystroke typed into an edit. The
                // steps of a held key are drawn whole: while the next ones
                // wait, the screen shows one creature's form.
                std::optional<FormUpdate> update;
                if (wparam < 0x10000u || wparam == kCreatureChosen) {
                    update.emplace(*session.form, wparam == kCreatureChosen && choice_key_held(session.choice_field));
                }
                result = on_command(session.state, *session.form, static_cast<std::uint32_t>(wparam));
            }
            if (wparam == kCreatureChosen) release_choice_field(session.choice_field);
            if (session.state.questions != questions) stop_held_key(session.choice_field);
            // Once the update has ended: ending it after the dialog would show it again.
            if (result == CommandResult::Close) {
                KillTimer(dialog, kChoiceTimer);
                EndDialog(dialog, 0);
            }
            break;
        }
        case WM_TIMER: {
            // Timers come after input: keys still waiting leave it for later,
            // and so does an open question.
            if (wparam != kChoiceTimer || key_waiting() || session.state.asking) break;
            KillTimer(dialog, kChoiceTimer);
            const unsigned questions = session.state.questions;
            {
                const FormUpdate update(*session.form, true);
                show_pending_choice(session.state, *session.form);
            }
            release_choice_field(session.choice_field);
            if (session.state.questions != questions) stop_held_key(session.choice_field);
            break;
        }
        case WM_PAINT: {
            // The default painting first: it erases the background of what needs
            // repainting, and so would wipe out pictures drawn before it.
            PAINTSTRUCT paint;
            BeginPaint(dialog, &paint);
            EndPaint(dialog, &paint);
            // The pictures are drawn where this paint erased.
            struct PaintArea {
                Win32Form& form;
                PaintArea(Win32Form& f, const RECT& area) : form(f) { form.set_paint_area(area); }
                ~PaintArea() { form.set_paint_area(std::nullopt); }
            } area(*session.form, paint.rcPaint);
            on_paint(session.state, *session.form);
            break;
        }
        default: break;
    }
}

}  // namespace

UndoKey::UndoKey() : hook_(SetWindowsHookExW(WH_MSGFILTER, undo_key_hook, nullptr, GetCurrentThreadId())) {}

UndoKey::~UndoKey() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    editor_dialog() = nullptr;
}

INT_PTR control_colours(UINT message, HDC dc) {
    int text = COLOR_WINDOWTEXT, back = COLOR_3DFACE;
    switch (message) {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: back = COLOR_WINDOW; break;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC: break;
        default: return 0;
    }
    SetTextColor(dc, GetSysColor(text));
    SetBkColor(dc, GetSysColor(back));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(back));
}

bool numeric_entry_accepts(WPARAM character) {
    return (character >= '0' && character <= '9') || character == '.' || character == '-' ||
           character == 8;
}

LRESULT CALLBACK numeric_entry_filter(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR && !numeric_entry_accepts(wparam)) {
        MessageBeep(0xFFFFFFFF);
        return 0;
    }
    return CallWindowProcW(system_edit_proc(), hwnd, message, wparam, lparam);
}

bool register_new_edit() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(module, L"NewEdit", &existing)) return true;

    WNDCLASSEXW edit{};
    edit.cbSize = sizeof edit;
    if (!GetClassInfoExW(nullptr, L"Edit", &edit)) return false;
    system_edit_proc() = edit.lpfnWndProc;
    // Everything else stays as the platform reports it for "Edit".
    edit.lpfnWndProc = numeric_entry_filter;
    edit.lpszClassName = L"NewEdit";
    edit.hInstance = module;
    return RegisterClassExW(&edit) != 0;
}

void init_common_controls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;
    controls.dwICC = 0xFFFF;
    InitCommonControlsEx(&controls);
}

INT_PTR CALLBACK editor_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* session = reinterpret_cast<EditorSession*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        if (session == nullptr) return 0;
        try {
            on_init_dialog(dialog, *session);
        } catch (const std::exception& e) {
            report_exception(dialog, session, e.what());
        } catch (...) {
            report_exception(dialog, session, nullptr);
        }
        return 0;  // no control gets the initial keyboard focus
    }
    // Every control asks for its colours as it paints; answered here, the
    // question does not go on through the system's default handling, which
    // under Wine first asks the window server whether the dialog is themed.
    if (const INT_PTR brush = control_colours(message, reinterpret_cast<HDC>(wparam))) return brush;
    EditorSession* session = session_of(dialog);
    if (session == nullptr || session->form == nullptr) return 0;
    try {
        handle(dialog, message, wparam, *session);
    } catch (const std::exception& e) {
        report_exception(dialog, session, e.what());
    } catch (...) {
        report_exception(dialog, session, nullptr);
    }
    return 0;  // also for WM_PAINT, which is already validated
}

int run_editor() {
    // Before the form, the boxes speak the language `Lang` names, when it can
    // be read (English otherwise).
    const int language = read_language("");
    // What a crash left in the folder is put right first, and said once.
    const UserText recovered = recovery_text(language, recover_folder(system_file_ops(), ""), "");
    if (!recovered.empty()) show_error(nullptr, user_text_wide(recovered, language), language);
    const std::vector<Fault> faults = startup_faults("");
    if (!faults.empty()) {
        show_error(nullptr, user_text_wide(startup_message(language, "", faults), language), language);
        return 2;
    }
    register_new_edit();
    init_common_controls();
    // The portrait decoder needs OLE on this thread for the form's whole run.
    const OleSession ole;

    EditorSession session;
    const DialogTemplate tmpl = editor_template();
    INT_PTR result;
    {
        const UndoKey undo_key;
        result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), tmpl.get(), nullptr, editor_dialog_proc,
                                         reinterpret_cast<LPARAM>(&session));
    }
    if (result == -1) show_error(nullptr, words_wide(language, MessageKey::form_not_created), language);
    return static_cast<int>(result);
}

}  // namespace ce
